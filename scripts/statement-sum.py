#!/usr/bin/env python3
# The yardstick of scripts/bench-e2e: what a short script does with a
# statement export. Reads FILE, keeps the lines of one account and sums
# their amounts (credits in, debits out).
#   scripts/statement-sum.py FILE SORTCODE ACCOUNTNUMBER
import csv
import sys

def amount(text):
    return float(text.replace(",", "") or 0)

path, sort_code, account = sys.argv[1], sys.argv[2].replace("-", ""), sys.argv[3]
lines, total = 0, 0.0
with open(path, newline="", encoding="latin-1") as f:
    rows = csv.reader(f)
    next(rows, None)
    for row in rows:
        if len(row) == 18 and row[0] == sort_code and row[1] == account:
            total += amount(row[17]) - amount(row[16])
            lines += 1
print(f"{lines} lines, net {total:.2f}")
