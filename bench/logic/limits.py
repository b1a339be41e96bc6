#!/usr/bin/env python3
"""Processor time against the limit, for problems that no search decides.

    bench/logic/limits.py BUILD_DIR [FILE]

FILE (bench/logic/infinitos.txt by default) holds arguments whose countermodels are all
infinite. Each one goes through `zarvik-pl --verdict --times` (the answer's own processor time)
and through the worker `zarvik-logic` as a check, as "Demostrar" (`prove`) and as "Siguiente
paso" (`next`) on a derivation begun under it, each request in a process of its own, whose whole
processor time (user + system, from the kernel) is printed against the limit: 10 s a problem,
and the worker's kernel limit of 12 s. A row over 110 % of the limit is marked.
"""

import os
import resource
import subprocess
import sys

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


def request(kind, text, line=1):
    body = text.encode('utf-8')
    if kind == 'check':
        return b'check 1 K 0 1 %d\n' % len(body) + body
    return b'%s 1 K %d %d\n' % (kind.encode(), line, len(body)) + body


def mark(seconds):
    return '  <-- más del 110 %' if seconds > 1.1 * LIMIT else ''


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    build = sys.argv[1]
    path = sys.argv[2] if len(sys.argv) > 2 else os.path.join(HERE, 'infinitos.txt')
    problems = [l.strip() for l in open(path, encoding='utf-8')
                if l.strip() and not l.startswith('//')]
    worst = 0.0
    print('%-4s %-10s %8s %8s  %s' % ('n', 'vía', 's CPU', 'límite', 'respuesta'))
    for n, problem in enumerate(problems, 1):
        line = problem + '\n'
        with open('/tmp/zarvik-limits.txt', 'w', encoding='utf-8') as f:
            f.write(line)
        out, total = child_seconds(lambda: subprocess.run(
            [os.path.join(build, 'zarvik-pl'), '--verdict', '--times', '/tmp/zarvik-limits.txt'],
            capture_output=True, text=True).stdout.strip())
        fields = out.split('\t')
        own = float(fields[-1]) / 1000 if fields and fields[-1].replace('.', '').isdigit() else 0
        print('%-4d %-10s %8.2f %8.0f  %s (el propio: %.2f s)%s'
              % (n, '--verdict', total, LIMIT, fields[0], own, mark(total)))
        worst = max(worst, total)
        argument = problem.replace('⊨', '⊢')
        begun = argument + '\n1. ' + argument.split('⊢')[0].split(',')[0].strip() + ' :PR\n'
        for kind, text, at in (('check', line, 1), ('prove', argument + '\n', 1),
                               ('next', begun, 2)):
            (code, answer), seconds = child_seconds(lambda: worker(build, request(kind, text, at)))
            said = 'señal %d' % -code if code < 0 else (
                'no determinado' if '"unknown"' in answer or '"found":false' in answer else 'respuesta')
            print('%-4s %-10s %8.2f %8.0f  %s%s' % ('', kind, seconds, LIMIT, said, mark(seconds)))
            worst = max(worst, seconds)
    print('peor: %.2f s de procesador para un límite de %.0f s (%.0f %%)'
          % (worst, LIMIT, 100 * worst / LIMIT))
    return 0


if __name__ == '__main__':
    sys.exit(main())
