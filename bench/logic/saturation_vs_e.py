#!/usr/bin/env python3
"""Zarvik's verdicts against E's on random and structured first-order problems, many of them not
valid, to catch a wrong "no válido" of the saturation (or any other wrong verdict).

    bench/logic/saturation_vs_e.py BUILD_DIR [--count N] [--infinite M] [--seed S] [--cpu-limit S]
        [--jobs J] [--no-structured]

Problems: N random ones (seeded, so a run repeats exactly) over small signatures, with and without
identity, a few premises and a conclusion; M more with axioms that leave only infinite models (an
injection that misses a constant), which no finite countermodel can settle; the structured sets of this folder (Pelletier,
identidad); and families with only infinite countermodels (surjections, injections, orders).
Zarvik: `zarvik-pl --verdict --times`, the problems split over J processes. E: `eprover --auto -s
--cpu-limit=S` on each problem, its SZS status read as valid (Theorem, ContradictoryAxioms,
Unsatisfiable) or not valid (CounterSatisfiable, Satisfiable).

Prints the agreements, the disagreements (each one a bug: they are listed, and the exit status is
1), what each program decides alone, and how many of Zarvik's "no válido" come from saturation.
"""

import argparse
import os
import random
import subprocess
import sys
import tempfile
from concurrent.futures import ThreadPoolExecutor

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import versus_provers as vp  # noqa: E402


class Maker:
    """Random formulas over a signature drawn per problem: 1-3 predicates of arity 0-2, 0-2
    functions of arity 1-2, 1-3 constants, identity in half of the problems."""

    def __init__(self, rng):
        self.rng = rng

    def signature(self):
        r = self.rng
        self.preds = [(p, r.choice([0, 1, 1, 2])) for p in ['P', 'Q', 'R'][:r.randint(1, 3)]]
        self.funcs = [(f, r.choice([1, 1, 2])) for f in ['f', 'g'][:r.choice([0, 0, 1, 1, 2])]]
        self.consts = ['a', 'b', 'c'][:r.randint(1, 3)]
        self.identity = r.random() < 0.5

    def term(self, bound, depth=2):
        r = self.rng
        if self.funcs and depth > 0 and r.random() < 0.25:
            f, n = r.choice(self.funcs)
            return '%s(%s)' % (f, ', '.join(self.term(bound, depth - 1) for _ in range(n)))
        if bound and r.random() < 0.7:
            return r.choice(bound)
        return r.choice(self.consts)

    def atom(self, bound):
        r = self.rng
        if self.identity and r.random() < 0.35:
            return '%s = %s' % (self.term(bound), self.term(bound))
        p, n = r.choice(self.preds)
        if n == 0:
            return p.lower()  # a sentence letter
        return '%s(%s)' % (p, ', '.join(self.term(bound) for _ in range(n)))

    def formula(self, depth, bound):
        r = self.rng
        roll = r.random()
        if depth == 0 or roll < 0.2:
            return self.atom(bound)
        if roll < 0.5 and len(bound) < 3:
            v = 'xyz'[len(bound)]
            return r.choice(['∀', '∃']) + v + self.formula(depth - 1, bound + [v])
        if roll < 0.6:
            return '¬' + self.formula(depth - 1, bound)
        op = r.choice([' ∧ ', ' ∨ ', ' → ', ' ↔ ', ' ∨ ', ' → '])
        return '(' + self.formula(depth - 1, bound) + op + self.formula(depth - 1, bound) + ')'

    def universal(self):
        """A clause-like premise ∀x∀y(L1 ∨ L2 ∨ L3): the shape that saturation works on."""
        r = self.rng
        bound = ['x', 'y', 'z'][:r.randint(1, 3)]
        lits = []
        for _ in range(r.randint(1, 3)):
            a = self.atom(bound)
            lits.append(('¬(' + a + ')') if r.random() < 0.5 else a)
        body = ' ∨ '.join(lits)
        return ''.join('∀' + v for v in bound) + '(' + body + ')'

    def problem(self, infinite=False):
        self.signature()
        r = self.rng
        # s injective and o outside its range: every model infinite, so only a proof or a
        # saturation decides.
        premises = ['∀x∀y(s(x) = s(y) → x = y)', '∀x ¬s(x) = o'] if infinite else []
        if infinite:
            self.funcs.append(('s', 1))
            self.consts.append('o')
        for _ in range(r.randint(0, 4)):
            premises.append(self.universal() if r.random() < 0.5 else self.formula(3, []))
        conclusion = self.formula(3, [])
        return ', '.join(premises) + ' ⊨ ' + conclusion


def structured():
    """The problem sets of this folder and families whose countermodels are all infinite."""
    out = []
    for name in ('pelletier.txt', 'pelletier47-75.txt', 'identidad.txt'):
        out += [text for text, _ in vp.read_problems(os.path.join(HERE, name))]
    out += [
        '∀x∃y h(y) = x ⊨ ∀x∀y(h(x) = h(y) → x = y)',
        '∀x∀y(f(x) = f(y) → x = y), ∀x ¬f(x) = a ⊨ Pb',
        '∀x∀y(f(x) = f(y) → x = y) ⊨ ∀x∃y f(y) = x',
        '∀x ¬Rxx, ∀x∀y∀z(Rxy ∧ Ryz → Rxz), ∀x∃y Rxy ⊨ Pa',
        '∀x ¬s(x) = z, ∀x∀y(s(x) = s(y) → x = y) ⊨ ∃x∀y ¬s(y) = x → Pa',
        '∀x∃y h(y) = x, ∀x∀y∀z(f(f(x, y), z) = f(x, f(y, z))) ⊨ ∀x∀y(h(x) = h(y) → x = y)',
        '∀x(Px → P(f(x))), Pa ⊨ P(f(f(f(a))))',
        '∀x(Px → P(f(x))), Pa ⊨ ¬P(f(f(f(b))))',
        '∀x(Px ∨ Qx) ⊨ ∀xPx ∨ ∀xQx',
        '∀x∃y(Rxy ∧ ¬Ryx) ⊨ ∃xRxx',
        '∀x(f(f(x)) = x) ⊨ ∀x f(x) = x',
        '∀x∀y(f(x, y) = f(y, x)) ⊨ ∀x∀y∀z(f(f(x, y), z) = f(x, f(y, z)))',
        '∀x∀y∀z(f(f(x, y), z) = f(x, f(y, z))), ∀x f(e, x) = x ⊨ ∀x f(x, e) = x',
    ]
    return out


def zarvik(build, problems, jobs, workdir):
    chunks = [problems[k::jobs] for k in range(jobs)]

    def run(k):
        path = os.path.join(workdir, 'zarvik%d.txt' % k)
        with open(path, 'w', encoding='utf-8') as f:
            for text in chunks[k]:
                f.write('sistema: K\n%s\n\n' % text)
        out = subprocess.run([os.path.join(build, 'zarvik-pl'), '--verdict', '--times', path],
                             stdout=subprocess.PIPE, check=False).stdout.decode('utf-8')
        rows = []
        for line in out.splitlines():
            fields = line.split('\t')
            verdict = {'válido': 'valid', 'no válido': 'invalid'}.get(fields[0], 'unknown')
            rows.append((verdict, fields[1] if len(fields) > 2 else ''))
        return rows

    with ThreadPoolExecutor(jobs) as pool:
        parts = list(pool.map(run, range(jobs)))
    results = [None] * len(problems)
    for k, rows in enumerate(parts):
        if len(rows) != len(chunks[k]):
            sys.exit('zarvik-pl gave %d lines for %d problems' % (len(rows), len(chunks[k])))
        for i, row in enumerate(rows):
            results[k + i * jobs] = row
    return results


def eprover(text, cpu, workdir, k):
    premises, conclusion = vp.Reader(text).problem()
    path = os.path.join(workdir, 'e%d.p' % k)
    with open(path, 'w', encoding='utf-8') as f:
        f.write(vp.tptp_problem(premises, conclusion))
    out, _ = vp.timed(['eprover', '--auto', '--tptp3-format', '-s', '--cpu-limit=%d' % cpu, path],
                      cpu)
    for status, verdict in (('Theorem', 'valid'), ('ContradictoryAxioms', 'valid'),
                            ('Unsatisfiable', 'valid'), ('CounterSatisfiable', 'invalid'),
                            ('Satisfiable', 'invalid')):
        if 'SZS status ' + status + '\n' in out or out.rstrip().endswith('SZS status ' + status):
            return verdict
    return 'unknown'


def main():
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument('build')
    ap.add_argument('--count', type=int, default=2000, help='random problems (default 2000)')
    ap.add_argument('--infinite', type=int, default=200,
                    help='random problems with axioms that only infinite models satisfy (default '
                    '200; each undecided one costs Zarvik its 10 s)')
    ap.add_argument('--seed', type=int, default=1)
    ap.add_argument('--cpu-limit', type=int, default=5, help="E's seconds per problem")
    ap.add_argument('--jobs', type=int, default=2)
    ap.add_argument('--no-structured', action='store_true')
    args = ap.parse_args()
    rng = random.Random(args.seed)
    maker = Maker(rng)
    problems = [maker.problem() for _ in range(args.count)]
    problems += [maker.problem(infinite=True) for _ in range(args.infinite)]
    if not args.no_structured:
        problems += [p for p in structured() if not vp.is_modal(vp.Reader(p).problem()[1])]
    with tempfile.TemporaryDirectory() as workdir:
        ours = zarvik(args.build, problems, args.jobs, workdir)
        with ThreadPoolExecutor(args.jobs) as pool:
            theirs = list(pool.map(lambda k: eprover(problems[k], args.cpu_limit, workdir, k),
                                   range(len(problems))))
    agree = {'valid': 0, 'invalid': 0, 'unknown': 0}
    disagree, onlyZ, onlyE, bySaturation = [], [], [], 0
    for text, (z, reason), e in zip(problems, ours, theirs):
        if z == 'invalid' and reason.startswith('saturación'):
            bySaturation += 1
        if z == e:
            agree[z] += 1
        elif z != 'unknown' and e != 'unknown':
            disagree.append((text, z, e, reason))
        elif z != 'unknown':
            onlyZ.append((text, z, reason))
        else:
            onlyE.append((text, e))
    print('%d problems (%d random, %d random with only infinite models, seed %d; E with '
          '--cpu-limit=%d)' % (len(problems), args.count, args.infinite, args.seed, args.cpu_limit))
    print('agree: %d valid, %d not valid, %d undecided by both'
          % (agree['valid'], agree['invalid'], agree['unknown']))
    print('disagree: %d' % len(disagree))
    print('decided by Zarvik alone: %d; by E alone: %d' % (len(onlyZ), len(onlyE)))
    print("Zarvik's 'no válido' by saturation: %d" % bySaturation)
    for text, z, e, reason in disagree:
        print('  DISAGREE zarvik %s (%s), E %s: %s' % (z, reason, e, text))
    for text, e in onlyE[:20]:
        print('  E alone (%s): %s' % (e, text))
    for text, z, reason in onlyZ[:20]:
        print('  Zarvik alone (%s, %s): %s' % (z, reason, text))
    return 1 if disagree else 0


if __name__ == '__main__':
    sys.exit(main())
