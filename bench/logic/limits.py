#!/usr/bin/env python3
"""Processor time against the limit, for problems that no search decides.

    bench/logic/limits.py BUILD_DIR [FILE]

FILE (bench/logic/infinitos.txt and bench/logic/capas.txt by default) holds problems that no
search decides within the limit: arguments whose countermodels are all infinite, and modal
formulas whose worlds multiply; a line "sistema: S4" sets the system of the problems below it
(K until one does). Each one goes through `zarvik-pl --verdict --times` (the answer's own
processor time) and through the worker `zarvik-logic` as a check, as "Demostrar" (`prove`) and
as "Siguiente paso" (`next`) on a derivation begun under it, each request in a process of its
own, whose whole processor time (user + system, from the kernel) is printed against the limit:
10 s a problem, and the worker's kernel limit of 12 s. A row over 110 % of the limit is marked,
and so is a worker ended by a signal.
"""

import os
import resource
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
LIMIT = 10.0


def child_seconds(run):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    result = run()
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return result, (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


def worker(build, request):
    proc = subprocess.run([os.path.join(build, 'zarvik-logic')], input=request,
                          capture_output=True)
    return proc.returncode, proc.stdout.decode('utf-8', 'replace')


def request(kind, text, system, line=1):
    body = text.encode('utf-8')
    if kind == 'check':
        return b'check 1 %s 0 1 %d\n' % (system.encode(), len(body)) + body
    return b'%s 1 %s %d %d\n' % (kind.encode(), system.encode(), line, len(body)) + body


def mark(seconds, code=0):
    if code < 0:
        return '  <-- señal %d' % -code
    return '  <-- más del 110 %' if seconds > 1.1 * LIMIT else ''


def read_problems(paths):
    """(system, problem) per line, "sistema:" lines setting the system below them."""
    out = []
    for path in paths:
        system = 'K'
        for line in open(path, encoding='utf-8'):
            line = line.strip()
            if not line or line.startswith('//'):
                continue
            if line.startswith('sistema:'):
                system = line.split(':', 1)[1].strip()
                continue
            out.append((system, line))
    return out


def begun(argument):
    """The argument with the first line of a derivation under it: its first premise, or for a
    formula φ → ψ with none, the supposition φ."""
    premises, conclusion = argument.split('⊢', 1)
    first = premises.split(',')[0].strip()
    if first:
        return argument + '\n1. ' + first + ' :PR\n'
    conclusion = conclusion.strip()
    depth = 0
    for at, c in enumerate(conclusion):
        depth += c == '('
        depth -= c == ')'
        if depth == 0 and conclusion.startswith('→', at):
            return argument + '\n    1. ' + conclusion[:at].strip() + ' :AS\n'
    return argument + '\n'


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    build = sys.argv[1]
    paths = sys.argv[2:] or [os.path.join(HERE, 'infinitos.txt'), os.path.join(HERE, 'capas.txt')]
    worst = 0.0
    signals = 0
    print('%-4s %-4s %-10s %8s %8s  %s' % ('n', 'sis', 'vía', 's CPU', 'límite', 'respuesta'))
    for n, (system, problem) in enumerate(read_problems(paths), 1):
        line = problem + '\n'
        # A file of its own, so that runs side by side do not read each other's problems.
        with tempfile.NamedTemporaryFile('w', encoding='utf-8', suffix='.txt') as f:
            f.write(line)
            f.flush()
            out, total = child_seconds(lambda: subprocess.run(
                [os.path.join(build, 'zarvik-pl'), '--verdict', '--times', '--system', system,
                 f.name], capture_output=True, text=True).stdout.strip())
        fields = out.split('\t')
        own = float(fields[-1]) / 1000 if fields and fields[-1].replace('.', '').isdigit() else 0
        print('%-4d %-4s %-10s %8.2f %8.0f  %s (el propio: %.2f s)%s'
              % (n, system, '--verdict', total, LIMIT, fields[0], own, mark(total)))
        worst = max(worst, total)
        argument = problem.replace('⊨', '⊢')
        if '⊢' not in argument:
            argument = '⊢ ' + argument
        for kind, text, at in (('check', line, 1), ('prove', argument + '\n', 1),
                               ('next', begun(argument), 2)):
            (code, answer), seconds = child_seconds(
                lambda: worker(build, request(kind, text, system, at)))
            said = 'señal %d' % -code if code < 0 else (
                'no determinado' if '"unknown"' in answer or '"found":false' in answer else 'respuesta')
            print('%-4s %-4s %-10s %8.2f %8.0f  %s%s'
                  % ('', system, kind, seconds, LIMIT, said, mark(seconds, code)))
            worst = max(worst, seconds)
            signals += code < 0
    print('peor: %.2f s de procesador para un límite de %.0f s (%.0f %%); %d señales'
          % (worst, LIMIT, 100 * worst / LIMIT, signals))
    return 1 if worst > 1.1 * LIMIT or signals else 0


if __name__ == '__main__':
    sys.exit(main())
