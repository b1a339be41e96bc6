#!/usr/bin/env python3
"""Pigeonhole formulas PHP(n) (n+1 pigeons, n holes) and a 20-letter argument, in Zarvik's
syntax, one problem a line: each is valid (PHP is a contradiction, written as its negation's
validity). Usage: php.py > php.txt"""

def php(n):
    p = lambda i, j: f"p{i * 100 + j}"
    clauses = ["(" + " ∨ ".join(p(i, j) for j in range(1, n + 1)) + ")" for i in range(1, n + 2)]
    for j in range(1, n + 1):
        for a in range(1, n + 2):
            for b in range(a + 1, n + 2):
                clauses.append(f"(¬{p(a, j)} ∨ ¬{p(b, j)})")
    return "¬(" + " ∧ ".join(clauses) + ")"

for n in range(6, 12):
    print(php(n))
print(", ".join(f"p{i} → p{i + 1}" for i in range(1, 20)) + " ⊨ p1 → p20")
