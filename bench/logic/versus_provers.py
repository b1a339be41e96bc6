#!/usr/bin/env python3
"""Zarvik's engine against the strongest provers at hand, side by side, on the same problems.

    bench/logic/versus_provers.py BUILD_DIR [--timeout S] [--only FAMILY] [--list]

Families: Pelletier 1-46 (pelletier.txt) and 47-75 (pelletier47-75.txt), problems of our own with
identity (identidad.txt), the first-order pigeonhole problem from 2 to 5 holes, and two modal
families at depths 2 to 12: K formulas that force a binary tree of that depth, and the S4 chains
(□◇)^d p → □◇p. Ours: `zarvik-pl --verdict --times`, a family in one process. The peers: E
(`eprover --auto`, on TPTP) and z3 (SMT-LIB2 with quantifiers), from the system, each problem in
a process of its own with the same limit; a peer that is not installed is skipped with a note.
Modal problems reach the peers by the standard translation, with the frame conditions as axioms.

Prints, per family and program: problems, decided, median milliseconds of the decided ones; then
every disagreement (a bug to find), and every problem that a peer decides within the limit and
Zarvik does not decide within 1 s.
"""

import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))

# ---- Zarvik's syntax, read into trees ---------------------------------------------------------------
# ('var', 'p'), ('pred', 'F', [terms]), ('eq', s, t), ('top',), ('bot',), ('not', A),
# ('and'|'or'|'imp'|'iff', A, B), ('all'|'ex', 'x', A), ('box'|'dia', A).
# Terms: ('v', 'x') a bound variable, ('f', 'name', [terms]) a function or constant.

TOKEN = re.compile(r'\s*(?:(?P<sym>[∀∃¬∧∨→↔⊨⊥⊤□◇(),=≠])|(?P<pred>[A-Z][0-9]*)|(?P<name>[a-z][0-9]*))')


def tokens(line):
    out, at = [], 0
    while at < len(line):
        m = TOKEN.match(line, at)
        if not m or m.end() == at:
            if line[at:].strip() == '':
                break
            raise ValueError('no se entiende: ' + line[at:])
        kind = 'sym' if m.group('sym') else 'pred' if m.group('pred') else 'name'
        text = m.group(kind)
        start = m.start(kind)
        out.append((kind, text, start, m.end()))
        at = m.end()
    out.append(('end', '', len(line), len(line)))
    return out


class Reader:
    def __init__(self, line):
        self.t = tokens(line)
        self.i = 0
        self.bound = []

    def peek(self, k=0):
        return self.t[self.i + k]

    def take(self, text=None):
        tok = self.t[self.i]
        if text is not None and tok[1] != text:
            raise ValueError('se esperaba %s y hay %s' % (text, tok[1]))
        self.i += 1
        return tok

    def problem(self):
        formulas = []
        if self.peek()[1] != '⊨':
            formulas.append(self.formula())
            while self.peek()[1] == ',':
                self.take(',')
                formulas.append(self.formula())
        if self.peek()[1] == '⊨':
            self.take('⊨')
            return formulas, self.formula()
        return [], formulas[0]

    def formula(self):
        f = self.conditional()
        while self.peek()[1] == '↔':
            self.take()
            f = ('iff', f, self.conditional())
        return f

    def conditional(self):
        f = self.disjunction()
        if self.peek()[1] == '→':
            self.take()
            return ('imp', f, self.conditional())
        return f

    def disjunction(self):
        f = self.conjunction()
        while self.peek()[1] == '∨':
            self.take()
            f = ('or', f, self.conjunction())
        return f

    def conjunction(self):
        f = self.unary()
        while self.peek()[1] == '∧':
            self.take()
            f = ('and', f, self.unary())
        return f

    def unary(self):
        text = self.peek()[1]
        if text == '¬':
            self.take()
            return ('not', self.unary())
        if text in ('□', '◇'):
            self.take()
            return ('box' if text == '□' else 'dia', self.unary())
        if text in ('∀', '∃'):
            self.take()
            var = self.take()[1]
            self.bound.append(var)
            body = self.unary()
            self.bound.pop()
            return ('all' if text == '∀' else 'ex', var, body)
        return self.atom()

    def term(self):
        kind, name, _, end = self.take()
        if kind != 'name':
            raise ValueError('se esperaba un término y hay ' + name)
        if self.peek()[1] == '(' and self.peek()[2] == end:
            self.take('(')
            args = [self.term()]
            while self.peek()[1] == ',':
                self.take()
                args.append(self.term())
            self.take(')')
            return ('f', name, args)
        if name in self.bound:
            return ('v', name)
        return ('f', name, [])

    def atom(self):
        kind, text, start, end = self.peek()
        if text == '(':
            self.take()
            f = self.formula()
            self.take(')')
            return f
        if text in ('⊥', '⊤'):
            self.take()
            return ('bot',) if text == '⊥' else ('top',)
        if kind == 'pred':
            self.take()
            args = []
            if self.peek()[1] == '(' and self.peek()[2] == end:
                self.take('(')
                args.append(self.term())
                while self.peek()[1] == ',':
                    self.take()
                    args.append(self.term())
                self.take(')')
            else:
                while self.peek()[0] == 'name' and self.peek()[2] == end:
                    end = self.peek()[3]
                    args.append(self.term())
            return ('pred', text, args)
        if kind == 'name':
            after = self.peek(1)
            if after[1] in ('=', '≠') or (after[1] == '(' and after[2] == end):
                lhs = self.term()
                op = self.take()[1]
                rhs = self.term()
                return ('eq', lhs, rhs) if op == '=' else ('not', ('eq', lhs, rhs))
            self.take()
            return ('var', text)
        raise ValueError('se esperaba una fórmula y hay ' + text)


def read_problems(path):
    """(text, system) per problem of a file: one formula or argument a line, 'sistema:' lines."""
    out, system = [], 'K'
    with open(path, encoding='utf-8') as f:
        for line in f:
            line = line.strip()
            if not line or line.startswith('//'):
                continue
            if line.lower().startswith('sistema:'):
                system = line.split(':', 1)[1].strip()
                continue
            out.append((line, system))
    return out


# ---- the peers' languages ----------------------------------------------------------------------------

FRAMES = {'K': [], 'T': ['refl'], 'D': ['serial'], 'B': ['refl', 'sym'], 'K4': ['trans'],
          'S4': ['refl', 'trans'], 'S5': ['refl', 'sym', 'trans']}


def is_modal(f):
    return isinstance(f, tuple) and (f[0] in ('box', 'dia') or any(is_modal(x) for x in f[1:]))


def standard(f, w, fresh):
    """The standard translation at world term w: letters and predicates take the world as their
    last argument, □ and ◇ quantify over the worlds w sees."""
    kind = f[0]
    if kind == 'var':
        return ('pred', 'w_' + f[1], [w])
    if kind == 'pred':
        return ('pred', f[1], f[2] + [w])
    if kind in ('eq', 'top', 'bot'):
        return f
    if kind == 'not':
        return ('not', standard(f[1], w, fresh))
    if kind in ('and', 'or', 'imp', 'iff'):
        return (kind, standard(f[1], w, fresh), standard(f[2], w, fresh))
    if kind in ('all', 'ex'):
        return (kind, f[1], standard(f[2], w, fresh))
    v = 'w%d' % next(fresh)
    r = ('pred', 'R', [w, ('v', v)])
    body = standard(f[1], ('v', v), fresh)
    return ('all', v, ('imp', r, body)) if kind == 'box' else ('ex', v, ('and', r, body))


def frame_axioms(system):
    x, y, z = ('v', 'wa'), ('v', 'wb'), ('v', 'wc')
    R = lambda a, b: ('pred', 'R', [a, b])
    axioms = {'refl': ('all', 'wa', R(x, x)),
              'sym': ('all', 'wa', ('all', 'wb', ('imp', R(x, y), R(y, x)))),
              'trans': ('all', 'wa', ('all', 'wb', ('all', 'wc', ('imp', ('and', R(x, y), R(y, z)), R(x, z))))),
              'serial': ('all', 'wa', ('ex', 'wb', R(x, y)))}
    return [axioms[a] for a in FRAMES[system]]


def to_first_order(premises, conclusion, system):
    if not (any(is_modal(p) for p in premises) or is_modal(conclusion)):
        return premises, conclusion
    counter = iter(range(1, 10 ** 6))
    w0 = ('f', 'w0', [])
    return ([standard(p, w0, counter) for p in premises] + frame_axioms(system),
            standard(conclusion, w0, counter))


def tptp(f):
    kind = f[0]
    if kind == 'var':
        return 'r_' + f[1]
    if kind == 'pred':
        return 'q_' + f[1] + ('(' + ','.join(tptp_term(t) for t in f[2]) + ')' if f[2] else '')
    if kind == 'eq':
        return tptp_term(f[1]) + ' = ' + tptp_term(f[2])
    if kind == 'top':
        return '$true'
    if kind == 'bot':
        return '$false'
    if kind == 'not':
        return '~ (' + tptp(f[1]) + ')'
    if kind in ('and', 'or', 'imp', 'iff'):
        op = {'and': '&', 'or': '|', 'imp': '=>', 'iff': '<=>'}[kind]
        return '(' + tptp(f[1]) + ' ' + op + ' ' + tptp(f[2]) + ')'
    return ('! [' if kind == 'all' else '? [') + 'X_' + f[1] + '] : (' + tptp(f[2]) + ')'


def tptp_term(t):
    if t[0] == 'v':
        return 'X_' + t[1]
    return 'f_' + t[1] + ('(' + ','.join(tptp_term(a) for a in t[2]) + ')' if t[2] else '')


def tptp_problem(premises, conclusion):
    lines = ['fof(p%d, axiom, %s).' % (i, tptp(p)) for i, p in enumerate(premises)]
    lines.append('fof(c, conjecture, %s).' % tptp(conclusion))
    return '\n'.join(lines) + '\n'


def signature(formulas):
    preds, funcs, letters = {}, {}, set()

    def term(t):
        if t[0] == 'f':
            funcs[t[1]] = len(t[2])
            for a in t[2]:
                term(a)

    def walk(f):
        kind = f[0]
        if kind == 'var':
            letters.add(f[1])
        elif kind == 'pred':
            preds[f[1]] = len(f[2])
            for a in f[2]:
                term(a)
        elif kind == 'eq':
            term(f[1])
            term(f[2])
        elif kind in ('all', 'ex'):
            walk(f[2])
        else:
            for x in f[1:]:
                if isinstance(x, tuple):
                    walk(x)
    for f in formulas:
        walk(f)
    return preds, funcs, letters


def smt(f):
    kind = f[0]
    if kind == 'var':
        return 'r_' + f[1]
    if kind == 'pred':
        return '(q_%s %s)' % (f[1], ' '.join(smt_term(t) for t in f[2])) if f[2] else 'q_' + f[1]
    if kind == 'eq':
        return '(= %s %s)' % (smt_term(f[1]), smt_term(f[2]))
    if kind == 'top':
        return 'true'
    if kind == 'bot':
        return 'false'
    if kind == 'not':
        return '(not %s)' % smt(f[1])
    if kind in ('and', 'or', 'imp', 'iff'):
        op = {'and': 'and', 'or': 'or', 'imp': '=>', 'iff': '='}[kind]
        return '(%s %s %s)' % (op, smt(f[1]), smt(f[2]))
    return '(%s ((X_%s U)) %s)' % ('forall' if kind == 'all' else 'exists', f[1], smt(f[2]))


def smt_term(t):
    if t[0] == 'v':
        return 'X_' + t[1]
    return '(f_%s %s)' % (t[1], ' '.join(smt_term(a) for a in t[2])) if t[2] else 'f_' + t[1]


def smt_problem(premises, conclusion):
    preds, funcs, letters = signature(premises + [conclusion])
    lines = ['(set-option :smt.mbqi true)', '(declare-sort U 0)']
    lines += ['(declare-fun r_%s () Bool)' % p for p in sorted(letters)]
    lines += ['(declare-fun q_%s (%s) Bool)' % (p, ' '.join(['U'] * n)) for p, n in sorted(preds.items())]
    lines += ['(declare-fun f_%s (%s) U)' % (p, ' '.join(['U'] * n)) for p, n in sorted(funcs.items())]
    lines += ['(assert %s)' % smt(p) for p in premises]
    lines += ['(assert (not %s))' % smt(conclusion), '(check-sat)']
    return '\n'.join(lines) + '\n'


# ---- the families --------------------------------------------------------------------------------

def pigeonhole(holes):
    """Pelletier 73 for n holes and n + 1 pigeons: each pigeon in its hole f(x), one pigeon a hole."""
    n = holes
    ps = ['p%d' % i for i in range(1, n + 2)]
    hs = ['h%d' % i for i in range(1, n + 1)]
    pairs = lambda xs: [(a, b) for i, a in enumerate(xs) for b in xs[i + 1:]]
    prem = [' ∧ '.join('P' + p for p in ps), ' ∧ '.join('%s ≠ %s' % ab for ab in pairs(ps)),
            ' ∧ '.join('H' + h for h in hs)]
    if n > 1:
        prem.append(' ∧ '.join('%s ≠ %s' % ab for ab in pairs(hs)))
    prem += ['∀x(Hx → (%s))' % ' ∨ '.join('x = ' + h for h in hs), '∀x(Px → H(f(x)))', '∀x(Px → I(x, f(x)))']
    return ', '.join(prem) + ' ⊨ ¬∀y∀x∀z((Hy ∧ Px ∧ Pz ∧ Ixy ∧ Izy) → x = z)'


def branch(d):
    """A K formula forcing a binary tree of depth d (Halpern and Moses's construction: b_i says
    "at depth i or deeper", p_i is the choice made at depth i and kept below it), and a leaf with
    the choices p1, ¬p2, p3... must exist: one path among 2^d."""
    conj = lambda xs: xs[0] if len(xs) == 1 else '(' + ' ∧ '.join(xs) + ')'
    parts = ['(b%d → b%d)' % (i + 1, i) for i in range(d + 1)]
    for i in range(d + 1):
        here = 'b%d ∧ ¬b%d' % (i, i + 1)
        keep = ['(p%d → □p%d) ∧ (¬p%d → □¬p%d)' % (j, j, j, j) for j in range(1, i + 1)]
        if keep:
            parts.append('((%s) → (%s))' % (here, ' ∧ '.join(keep)))
        if i < d:
            nxt = 'b%d ∧ ¬b%d' % (i + 1, i + 2)
            parts.append('((%s) → (◇(%s ∧ p%d) ∧ ◇(%s ∧ ¬p%d)))' % (here, nxt, i + 1, nxt, i + 1))
    a = conj(parts)
    tree = ['b0', '¬b1'] + ['□' * k + a for k in range(d + 1)]
    leaf = ' ∧ '.join(('p%d' if j % 2 else '¬p%d') % j for j in range(1, d + 1))
    return '(%s) → %s(%s)' % (' ∧ '.join(tree), '◇' * d, leaf)


def s4chain(d):
    return '□◇' * d + 'p → □◇p'


def families(only):
    fams = []

    def add(name, problems):
        if not only or only.lower() in name.lower():
            fams.append((name, problems))
    add('Pelletier 1-46', read_problems(os.path.join(HERE, 'pelletier.txt')))
    add('Pelletier 47-75', read_problems(os.path.join(HERE, 'pelletier47-75.txt')))
    add('identidad', read_problems(os.path.join(HERE, 'identidad.txt')))
    add('palomar (n+1 palomas, n agujeros)', [(pigeonhole(n), 'K') for n in range(2, 6)])
    add('K: árbol binario de profundidad d', [(branch(d), 'K') for d in (2, 4, 6, 8, 10, 12)])
    add('S4: (□◇)^d p → □◇p', [(s4chain(d), 'S4') for d in (2, 4, 6, 8, 10, 12)])
    return fams


# ---- running --------------------------------------------------------------------------------------

def zarvik(build, problems, workdir):
    path = os.path.join(workdir, 'zarvik.txt')
    with open(path, 'w', encoding='utf-8') as f:
        for text, system in problems:
            f.write('sistema: %s\n%s\n\n' % (system, text))
    out = subprocess.run([os.path.join(build, 'zarvik-pl'), '--verdict', '--times', path],
                         stdout=subprocess.PIPE, check=False).stdout.decode('utf-8')
    results = []
    for line in out.splitlines():
        fields = line.split('\t')
        verdict = {'válido': 'valid', 'no válido': 'invalid'}.get(fields[0], 'unknown')
        results.append((verdict, float(fields[-1])))
    return results


def timed(command, timeout):
    start = time.perf_counter()
    try:
        out = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                             timeout=timeout + 5, check=False).stdout.decode('utf-8', 'replace')
    except subprocess.TimeoutExpired:
        out = ''
    return out, (time.perf_counter() - start) * 1000


def eprover(path, timeout):
    out, ms = timed(['eprover', '--auto', '--tptp3-format', '-s', '--cpu-limit=%d' % timeout, path],
                    timeout)
    # Premises that contradict each other make any conclusion valid.
    if 'SZS status Theorem' in out or 'SZS status ContradictoryAxioms' in out:
        return 'valid', ms
    if 'SZS status CounterSatisfiable' in out:
        return 'invalid', ms
    return 'unknown', ms


def z3(path, timeout):
    out, ms = timed(['z3', '-T:%d' % timeout, path], timeout)
    first = out.strip().splitlines()[0] if out.strip() else ''
    return {'unsat': 'valid', 'sat': 'invalid'}.get(first, 'unknown'), ms


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument('build')
    ap.add_argument('--timeout', type=int, default=10, help='seconds per problem for each program')
    ap.add_argument('--only', help='only the families whose name contains this')
    ap.add_argument('--list', action='store_true', help='print every problem and its verdicts')
    args = ap.parse_args()
    peers = []
    for name, runner, program in (('E', eprover, 'eprover'), ('z3', z3, 'z3')):
        if shutil.which(program):
            peers.append((name, runner))
        else:
            print('(%s no está instalado: se omite)' % name)
    disagreements, slower = [], []
    rows = []
    with tempfile.TemporaryDirectory() as workdir:
        for family, problems in families(args.only):
            ours = zarvik(args.build, problems, workdir)
            theirs = {name: [] for name, _ in peers}
            for k, (text, system) in enumerate(problems):
                premises, conclusion = Reader(text).problem()
                premises, conclusion = to_first_order(premises, conclusion, system)
                tp = os.path.join(workdir, 'p.p')
                sm = os.path.join(workdir, 'p.smt2')
                with open(tp, 'w') as f:
                    f.write(tptp_problem(premises, conclusion))
                with open(sm, 'w') as f:
                    f.write(smt_problem(premises, conclusion))
                for name, runner in peers:
                    theirs[name].append(runner(tp if name == 'E' else sm, args.timeout))
                verdicts = {'Zarvik': ours[k]}
                verdicts.update({name: theirs[name][k] for name, _ in peers})
                decided = {v for v, _ in verdicts.values() if v != 'unknown'}
                if len(decided) > 1:
                    disagreements.append((family, k + 1, text, verdicts))
                peer_decided = [n for n, _ in peers if theirs[n][k][0] != 'unknown']
                if peer_decided and (ours[k][0] == 'unknown' or ours[k][1] > 1000):
                    slower.append((family, k + 1, text, verdicts))
                if args.list:
                    print('%s %d: %s' % (family, k + 1, '  '.join(
                        '%s %s %.0f ms' % (n, v, t) for n, (v, t) in verdicts.items())))
            rows.append((family, len(problems), [('Zarvik', ours)] + [(n, theirs[n]) for n, _ in peers]))
    print('%-36s%10s' % ('', 'problemas') + ''.join('%22s' % n for n in ['Zarvik'] + [p for p, _ in peers]))
    print('%-36s%10s' % ('', '') + ''.join('%22s' % 'decididos / mediana' for _ in range(1 + len(peers))))
    for family, count, results in rows:
        cells = ''
        for _, res in results:
            times = [t for v, t in res if v != 'unknown']
            median = statistics.median(times) if times else 0
            cells += '%22s' % ('%d / %.1f ms' % (len(times), median))
        print('%-36s%10d%s' % (family, count, cells))
    print('\n%d desacuerdos' % len(disagreements))
    for family, k, text, verdicts in disagreements:
        print('  %s %d: %s\n    %s' % (family, k, text, verdicts))
    print('%d problemas que un par decide y Zarvik no en 1 s' % len(slower))
    for family, k, text, verdicts in slower:
        print('  %s %d: %s' % (family, k, '  '.join('%s %s %.0f ms' % (n, v, t) for n, (v, t) in verdicts.items())))


if __name__ == '__main__':
    main()
