#!/usr/bin/env python3
"""Zarvik's logic engine against a public tableau prover, side by side, on the same problems.

    bench/logic/versus_tpg.py BUILD_DIR [--tpg DIR] [--seed N] [--count N] [--timeout S]

Problems: Pelletier 1-46 (pelletier.txt) and seeded random problems, propositional, first-order
(with identity and function terms), modal (K, T, D, B, K4, S4, S5) and modal with quantifiers.
Ours: `zarvik-pl --verdict --times`, all problems of a kind in one process. The peer: the tableau
prover of github.com/wo/tpg, which is not part of Zarvik and is never committed; give the folder
of a copy with --tpg (it runs under Node.js through tpg_batch.js) or leave it out to time ours
alone. Prints, per kind: problems, verdicts, disagreements, undecided ones, total and median time
per problem and peak memory, ours and the peer's; then every disagreement.
"""

import argparse
import json
import os
import random
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))

# ---- formulas as trees, printed for either prover ---------------------------------------------
# ('var', 'p'), ('pred', 'F', [terms]), ('eq', t1, t2), ('not', A), ('and'|'or'|'imp'|'iff', A, B),
# ('all'|'ex', 'x', A), ('box'|'dia', A); terms are strings or ('f', [terms]).

BINARY = {'and': '∧', 'or': '∨', 'imp': '→', 'iff': '↔'}


def term_text(t):
    if isinstance(t, str):
        return t
    return t[0] + '(' + ','.join(term_text(a) for a in t[1]) + ')'


def text(f, spaced):
    """Our language: Unicode, with the spacing and the term notation chosen at random."""
    kind = f[0]
    if kind == 'var':
        return f[1]
    if kind == 'pred':
        terms = f[2]
        if not terms:
            return f[1]
        if all(isinstance(t, str) for t in terms) and spaced.random() < 0.7:
            return f[1] + ''.join(terms)
        return f[1] + '(' + ', '.join(term_text(t) for t in terms) + ')'
    if kind == 'eq':
        return term_text(f[1]) + ' = ' + term_text(f[2])
    if kind == 'not':
        return '¬' + text(f[1], spaced)
    if kind in BINARY:
        sep = ' ' if spaced.random() < 0.8 else ''
        return '(' + text(f[1], spaced) + sep + BINARY[kind] + sep + text(f[2], spaced) + ')'
    if kind in ('all', 'ex'):
        return ('∀' if kind == 'all' else '∃') + f[1] + text(f[2], spaced)
    if kind in ('box', 'dia'):
        return ('□' if kind == 'box' else '◇') + text(f[1], spaced)
    raise ValueError(kind)


def peer_text(f):
    """The peer's input: the same symbols, no spaces, terms in brackets."""
    kind = f[0]
    if kind == 'var':
        return f[1]
    if kind == 'pred':
        return f[1] + ('(' + ','.join(term_text(t) for t in f[2]) + ')' if f[2] else '')
    if kind == 'eq':
        return term_text(f[1]) + '=' + term_text(f[2])
    if kind == 'not':
        return '¬' + peer_text(f[1])
    if kind in BINARY:
        return '(' + peer_text(f[1]) + BINARY[kind] + peer_text(f[2]) + ')'
    if kind in ('all', 'ex'):
        return ('∀' if kind == 'all' else '∃') + f[1] + peer_text(f[2])
    return ('□' if kind == 'box' else '◇') + peer_text(f[1])


# ---- random problems ---------------------------------------------------------------------------

class Maker:
    def __init__(self, rng, letters=(), predicates=(), constants=(), functions=False, identity=False,
                 modal=False, quantifiers=False):
        self.rng = rng
        self.letters = list(letters)
        self.predicates = list(predicates)  # (name, arity)
        self.constants = list(constants)
        self.functions = functions
        self.identity = identity
        self.modal = modal
        self.quantifiers = quantifiers

    def term(self, bound):
        r = self.rng
        choices = list(bound) + self.constants or ['a']
        if self.functions and r.random() < 0.15 and choices:
            return ('f', [r.choice(choices)])
        return r.choice(choices)

    def atom(self, bound):
        r = self.rng
        if self.letters and (not self.predicates or r.random() < 0.3):
            return ('var', r.choice(self.letters))
        if self.identity and r.random() < 0.15:
            return ('eq', self.term(bound), self.term(bound))
        name, arity = r.choice(self.predicates)
        return ('pred', name, [self.term(bound) for _ in range(arity)])

    def formula(self, depth, bound=()):
        r = self.rng
        if depth == 0 or r.random() < 0.2:
            return self.atom(bound)
        roll = r.random()
        if self.quantifiers and roll < 0.3 and len(bound) < 3:
            var = 'xyz'[len(bound)]
            return (r.choice(['all', 'ex']), var, self.formula(depth - 1, tuple(bound) + (var,)))
        if self.modal and roll < (0.55 if self.quantifiers else 0.35):
            return (r.choice(['box', 'dia']), self.formula(depth - 1, bound))
        if roll < 0.6:
            return ('not', self.formula(depth - 1, bound))
        return (r.choice(list(BINARY)), self.formula(depth - 1, bound), self.formula(depth - 1, bound))

    def sentence(self, depth):
        f = self.formula(depth)
        if self.quantifiers:
            # Close it: constants stand for free variables only where no quantifier binds them.
            return f
        return f

    def problem(self, depth):
        r = self.rng
        if r.random() < 0.4:
            premises = [self.sentence(depth - 1) for _ in range(r.randint(1, 3))]
            return premises, self.sentence(depth - 1)
        # A conditional between two related formulas is valid more often than a random one.
        a = self.sentence(depth - 1)
        if r.random() < 0.5:
            return [], ('imp', a, self.mutate(a))
        return [], self.sentence(depth)

    def mutate(self, f):
        r = self.rng
        kind = f[0]
        if kind in BINARY and r.random() < 0.5:
            return (kind, f[1], self.mutate(f[2])) if r.random() < 0.5 else (kind, self.mutate(f[1]), f[2])
        if kind in ('all', 'ex') and r.random() < 0.6:
            return ('ex' if kind == 'all' else 'all', f[1], f[2]) if r.random() < 0.5 else (kind, f[1], self.mutate(f[2]))
        if kind in ('box', 'dia') and r.random() < 0.6:
            return ('dia' if kind == 'box' else 'box', f[1]) if r.random() < 0.5 else (kind, self.mutate(f[1]))
        if kind == 'not':
            return f[1] if r.random() < 0.3 else ('not', self.mutate(f[1]))
        return ('or', f, self.atom(())) if r.random() < 0.5 else ('and', f, self.atom(()))


SYSTEMS = {
    'K': [], 'T': ['reflexivity'], 'D': ['seriality'], 'B': ['reflexivity', 'symmetry'],
    'K4': ['transitivity'], 'S4': ['reflexivity', 'transitivity'], 'S5': ['universality'],
}


def make_problems(seed, count, deeper=0):
    rng = random.Random(seed)
    spaced = random.Random(seed + 1)
    kinds = {}

    def add(kind, maker, depth, system='K'):
        premises, conclusion = maker.problem(depth)
        ours = ', '.join(text(p, spaced) for p in premises)
        ours = (ours + ' ⊨ ' if premises else '') + text(conclusion, spaced)
        peer = ','.join(peer_text(p) for p in premises)
        peer = (peer + '|=' if premises else '') + peer_text(conclusion)
        kinds.setdefault(kind, []).append({'ours': ours, 'peer': peer, 'system': system})

    for _ in range(count):
        add('proposicional', Maker(rng, letters='pqrs'[:rng.randint(2, 4)]), rng.randint(3, 5) + deeper)
    for _ in range(count):
        preds = [('F', 1), ('G', 1), ('R', 2)] if rng.random() < 0.6 else [('F', 1), ('G', 1), ('H', 1)]
        add('primer orden', Maker(rng, predicates=preds, constants=['a', 'b'][:rng.randint(0, 2)],
                                  functions=rng.random() < 0.2, identity=rng.random() < 0.3,
                                  quantifiers=True), rng.randint(3, 5) + deeper)
    for _ in range(count):
        system = rng.choice(list(SYSTEMS))
        add('modal', Maker(rng, letters='pq', modal=True), rng.randint(3, 5) + deeper, system)
    for _ in range(count // 2):
        system = rng.choice(['K', 'K', 'T', 'S4', 'S5'])
        add('modal con cuantificadores', Maker(rng, predicates=[('F', 1), ('G', 1)], constants=['a'],
                                               modal=True, quantifiers=True), rng.randint(3, 4) + deeper, system)
    with open(os.path.join(HERE, 'pelletier.txt'), encoding='utf-8') as f:
        for line in f:
            line = line.strip()
            if line and not line.startswith('//'):
                kinds.setdefault('Pelletier 1-46', []).append(
                    {'ours': line, 'peer': line.replace('⊨', '|=').replace(' ', ''), 'system': 'K'})
    return kinds


# ---- running both ------------------------------------------------------------------------------

def run(command, **kw):
    """Runs a child and returns (stdout, seconds, peak resident set in MB)."""
    start = time.perf_counter()
    child = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, **kw)
    out = child.stdout.read()
    _, _, usage = os.wait4(child.pid, 0)
    return out.decode('utf-8'), time.perf_counter() - start, usage.ru_maxrss / 1024


def ours(build, problems, workdir):
    path = os.path.join(workdir, 'ours.txt')
    with open(path, 'w', encoding='utf-8') as f:
        for p in problems:
            f.write('sistema: ' + p['system'] + '\n' + p['ours'] + '\n')
    out, seconds, peak = run([os.path.join(build, 'zarvik-pl'), '--verdict', '--times', path])
    verdicts, times = [], []
    for line in out.splitlines():
        fields = line.split('\t')
        verdicts.append({'válido': 'valid', 'no válido': 'invalid'}.get(fields[0], 'undecided'))
        times.append(float(fields[-1]))
    return verdicts, times, seconds, peak


def peer(tpg, problems, workdir, timeout):
    """The peer in as few Node.js processes as possible: one that dies (out of memory, say) costs
    its problem a 'crashed' verdict, and a new process goes on with the rest."""
    verdicts, times, seconds, peak = [], [], 0.0, 0.0
    while len(verdicts) < len(problems):
        start = len(verdicts)
        path = os.path.join(workdir, 'peer.json')
        with open(path, 'w', encoding='utf-8') as f:
            # The peer takes frame conditions only for modal formulas.
            json.dump([{'id': i, 'input': p['peer'],
                        'constraints': SYSTEMS[p['system']] if any(c in p['peer'] for c in '□◇') else []}
                       for i, p in enumerate(problems[start:], start)], f, ensure_ascii=False)
        out, s, m = run(['node', '--max-old-space-size=2048', os.path.join(HERE, 'tpg_batch.js'), tpg, path,
                         str(int(timeout * 1000))])
        seconds += s
        peak = max(peak, m)
        for line in out.splitlines():
            r = json.loads(line)
            verdicts.append(r['verdict'])
            times.append(r['ms'])
        if len(verdicts) < len(problems):
            verdicts.append('crashed')
            times.append(0.0)
    return verdicts, times, seconds, peak


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument('build')
    ap.add_argument('--tpg', help='folder of a copy of github.com/wo/tpg')
    ap.add_argument('--seed', type=int, default=2024)
    ap.add_argument('--count', type=int, default=100, help='random problems of each kind')
    ap.add_argument('--timeout', type=float, default=30, help="the peer's seconds per problem")
    ap.add_argument('--deeper', type=int, default=0, help='levels added to every random formula')
    args = ap.parse_args()
    if args.tpg and not os.path.exists(os.path.join(args.tpg, 'prover.js')):
        print('no tpg copy at', args.tpg, '- timing ours alone', file=sys.stderr)
        args.tpg = None
    kinds = make_problems(args.seed, args.count, args.deeper)
    disagreements = []
    header = f"{'':28}{'problemas':>10}{'válidos':>9}{'no válidos':>11}{'sin decidir':>12}" \
             f"{'total s':>9}{'mediana ms':>11}{'máx. ms':>9}{'pico MB':>9}"
    print(header)
    with tempfile.TemporaryDirectory() as workdir:
        for kind, problems in kinds.items():
            verdicts, times, seconds, peak = ours(args.build, problems, workdir)
            rows = [('Zarvik', verdicts, times, seconds, peak)]
            if args.tpg:
                pv, pt, ps, pp = peer(args.tpg, problems, workdir, args.timeout)
                rows.append(('tpg', pv, pt, ps, pp))
                for i, (a, b) in enumerate(zip(verdicts, pv)):
                    if a != b:
                        disagreements.append((kind, problems[i], a, b, times[i], pt[i]))
            print(kind)
            for name, v, t, s, p in rows:
                print(f"  {name:26}{len(v):>10}{v.count('valid'):>9}{v.count('invalid'):>11}"
                      f"{len(v) - v.count('valid') - v.count('invalid'):>12}{s:>9.2f}"
                      f"{statistics.median(t):>11.2f}{max(t):>9.1f}{p:>9.1f}")
    if args.tpg:
        print(f'\n{len(disagreements)} desacuerdos')
        for kind, p, a, b, ta, tb in disagreements:
            print(f"  [{kind}, {p['system']}] {p['ours']}\n      Zarvik: {a} ({ta:.1f} ms), tpg: {b} ({tb:.1f} ms)")


if __name__ == '__main__':
    main()
