#!/usr/bin/env python3
"""Check a ModelTableData.cpp against the fixed figures of the model table.

Usage:
    check_model_table.py [PATH/ModelTableData.cpp]

Without an argument the file in the repository's src/ directory is checked.
The file is parsed as C++ source text (the u"..." literals of the
ModelTableRows array); nothing of tools/gen_model_table.py is used, so this
check is independent of the generator.  Every broken figure is reported on
stderr by name; the exit status is 1 if any is broken, 0 otherwise.
"""

import collections
import os
import re
import sys

# Record format: field name, width.  Columns follow one another.
FIELDS = [("product code", 10), ("Tevra name", 20), ("Dunel name", 20),
          ("Brevikant name", 20), ("Ostrum name", 20),
          ("development name", 30), ("type code", 3)]
BRAND_FIELDS = ["Tevra name", "Dunel name", "Brevikant name", "Ostrum name"]
NAME_FIELDS = BRAND_FIELDS + ["development name"]
ROW_PATTERN = re.compile("".join("(.{%d})" % w for _, w in FIELDS))

EXPECTED_ROWS = 396
TYPE_ROWS = {"ANL": 120, "DIG": 54, "CLR": 21, "FAX": 115, "PRT": 36,
             "STM": 29, "SCN": 11, "WID": 10}

# Blank (all-space) fields per type code, in NAME_FIELDS order.
TYPE_BLANKS = {
    "ANL": [0, 50, 52, 120, 3],
    "DIG": [3, 7, 7, 14, 0],
    "CLR": [0, 4, 1, 5, 0],
    "FAX": [0, 43, 90, 101, 48],
    "PRT": [0, 8, 3, 20, 6],
    "STM": [0, 13, 2, 23, 0],
    "SCN": [0, 11, 11, 6, 9],
    "WID": [0, 6, 7, 6, 2],
}

# Longest text per field, trailing padding removed.
LONGEST = {"product code": 7, "Tevra name": 18, "Dunel name": 13,
           "Brevikant name": 19, "Ostrum name": 14, "development name": 24}

# Names repeated within one type code: rows carrying them, number of names.
REPEATED = {"Tevra name": (18, 9), "Dunel name": (25, 12),
            "Brevikant name": (8, 4), "Ostrum name": (4, 2),
            "development name": (84, 35)}

CODE_SHAPES = [
    ("L DDD", re.compile(r"[A-Z][0-9]{3}"), 305),
    ("L DDDD", re.compile(r"[A-Z][0-9]{4}"), 43),
    ("DDDDD", re.compile(r"[0-9]{5}"), 27),
    ("DDDD", re.compile(r"[0-9]{4}"), 18),
    ("L DDD L", re.compile(r"[A-Z][0-9]{3}[A-Z]"), 1),
    ("L DDD space LL", re.compile(r"[A-Z][0-9]{3} [A-Z]{2}"), 2),
]
DISTINCT_CODES = 394
CODES_TWICE = 2

WORD = r"[A-Za-z0-9+/-]+"
DEV_WORD = r"[A-Za-z0-9+/().-]+"
MODEL_NAME = re.compile(r"%s(?: %s)*" % (WORD, WORD))
DEV_NAME = re.compile(r"%s(?: %s)*" % (DEV_WORD, DEV_WORD))


def default_path():
    here = os.path.dirname(os.path.abspath(__file__))
    return os.path.join(here, os.pardir, "src", "ModelTableData.cpp")


def read_rows(source, broken):
    """The row literals of the ModelTableRows array, in file order."""
    match = re.search(r"ModelTableRows\s*\[\s*ModelTableRowCount\s*\]\s*=\s*"
                      r"\{(.*?)\n\}\s*;", source, re.S)
    if not match:
        broken("array definition", "no 'ModelTableRows[ModelTableRowCount] "
               "= { ... };' found")
        return []
    if '#include "ModelTableData.h"' not in source:
        broken("array definition", 'missing #include "ModelTableData.h"')
    rows = []
    for number, line in enumerate(match.group(1).split("\n"), 1):
        stripped = line.strip()
        if not stripped or stripped.startswith("//"):
            continue
        literal = re.fullmatch(r'u"([^"\\]*)",?', stripped)
        if not literal:
            broken("array definition",
                   "line %d of the array is not one u\"...\" row: %r"
                   % (number, stripped[:40]))
            continue
        rows.append(literal.group(1))
    return rows


def split(row):
    parts = ROW_PATTERN.fullmatch(row).groups()
    return {name: part for (name, _), part in zip(FIELDS, parts)}


def check(rows, broken):
    if len(rows) != EXPECTED_ROWS:
        broken("row count",
               "%d rows, expected %d" % (len(rows), EXPECTED_ROWS))

    bad_width = [i for i, r in enumerate(rows)
                 if len(r) != 123 or re.search(r"[^\x20-\x7e]", r)]
    if bad_width:
        broken("row width", "rows %s are not 123 printable ASCII characters"
               % bad_width[:10])
        rows = [r for i, r in enumerate(rows) if i not in bad_width]

    # Order: strictly ascending by character code, and also when lower-cased.
    for label, keyed in (("ascending order", rows),
                         ("ascending order ignoring case",
                          [r.lower() for r in rows])):
        wrong = [i for i in range(1, len(keyed))
                 if not keyed[i - 1] < keyed[i]]
        if wrong:
            broken(label, "rows %d and %d are not strictly ascending (%d such "
                   "places)" % (wrong[0] - 1, wrong[0], len(wrong)))

    raw = [split(r) for r in rows]
    values = [{k: v.rstrip(" ") for k, v in rec.items()} for rec in raw]

    # Type codes.
    type_counts = collections.Counter(v["type code"] for v in values)
    if dict(type_counts) != TYPE_ROWS:
        broken("rows per type code",
               "found %s" % dict(sorted(type_counts.items())))

    # Field contents.
    for i, (rec, val) in enumerate(zip(raw, values)):
        for name, _ in FIELDS:
            text = val[name]
            if rec[name] != rec[name].lstrip(" ") and text:
                broken("text starts in the field's first column",
                       "%s of row %d: %r" % (name, i, rec[name]))
                continue
            if name == "product code":
                if not re.fullmatch(r"[A-Z0-9]+(?: [A-Z0-9]+)?", text):
                    broken("product code characters", "row %d: %r" % (i, text))
            elif name == "type code":
                if text not in TYPE_ROWS:
                    broken("type code", "row %d: %r" % (i, text))
            elif name == "development name":
                if text and not DEV_NAME.fullmatch(text):
                    broken("development name characters",
                           "row %d: %r" % (i, text))
            elif text and not MODEL_NAME.fullmatch(text):
                broken("model name characters",
                       "%s of row %d: %r" % (name, i, text))

    # Longest texts.
    for name, limit in LONGEST.items():
        longest = max((len(v[name]) for v in values), default=0)
        if longest != limit:
            broken("longest %s" % name, "%d characters, expected %d"
                   % (longest, limit))

    # Product codes: shapes, inner spaces, duplicates.
    codes = [v["product code"] for v in values]
    for label, pattern, expected in CODE_SHAPES:
        got = sum(1 for c in codes if pattern.fullmatch(c))
        if got != expected:
            broken("product code shape %s" % label,
                   "%d rows, expected %d" % (got, expected))
    unmatched = [c for c in codes
                 if not any(p.fullmatch(c) for _, p, _ in CODE_SHAPES)]
    if unmatched:
        broken("product code shapes", "codes of no known shape: %s"
               % unmatched[:10])
    if sum(" " in c for c in codes) != 2:
        broken("product codes with an inner space",
               "%d rows" % sum(" " in c for c in codes))
    code_count = collections.Counter(codes)
    if len(code_count) != DISTINCT_CODES:
        broken("distinct product codes",
               "%d, expected %d" % (len(code_count), DISTINCT_CODES))
    twice = [c for c, n in code_count.items() if n > 1]
    if len(twice) != CODES_TWICE or any(code_count[c] != 2 for c in twice):
        broken("product codes listed twice",
               "%s" % {c: code_count[c] for c in twice})
    for c in twice:
        same = [v for v in values if v["product code"] == c]
        if len({v["type code"] for v in same}) != 1:
            broken("product codes listed twice",
                   "%s is listed under different type codes" % c)
        names = [tuple(v[n] for n in NAME_FIELDS) for v in same]
        if len(set(names)) != len(names):
            broken("product codes listed twice",
                   "rows of %s do not differ in their names" % c)

    # Blank fields per type code.
    blanks = collections.Counter()
    for v in values:
        for name in NAME_FIELDS:
            if not v[name]:
                blanks[(v["type code"], name)] += 1
    for type_code, expected in TYPE_BLANKS.items():
        for name, want in zip(NAME_FIELDS, expected):
            got = blanks[(type_code, name)]
            if got != want:
                broken("blank %s in %s" % (name, type_code),
                       "%d rows, expected %d" % (got, want))

    # Repeated names.
    for name in NAME_FIELDS:
        occurrences = collections.Counter(v[name] for v in values if v[name])
        repeated = {text: n for text, n in occurrences.items() if n > 1}
        for text in repeated:
            types = {v["type code"] for v in values if v[name] == text}
            if len(types) > 1:
                broken("repeated %s within one type code" % name,
                       "%r occurs under %s" % (text, sorted(types)))
        got = (sum(repeated.values()), len(repeated))
        if got != REPEATED[name]:
            broken("repeated %s" % name,
                   "%d rows in %d groups, expected %d rows in %d groups"
                   % (got + REPEATED[name]))

    # Rows without any model name.
    nameless = [i for i, v in enumerate(values)
                if not any(v[n] for n in BRAND_FIELDS)]
    if len(nameless) != 3:
        broken("rows without model names", "%d rows: %s"
               % (len(nameless), nameless))
    no_tevra = [i for i, v in enumerate(values) if not v["Tevra name"]]
    if no_tevra != nameless:
        broken("rows without model names",
               "rows without a Tevra name %s are not the rows without any "
               "model name %s" % (no_tevra, nameless))
    for i in nameless:
        v = values[i]
        if v["type code"] != "DIG" or not v["development name"] \
                or not v["product code"]:
            broken("rows without model names",
                   "row %d is not a DIG row with product code and "
                   "development name" % i)


def main(argv):
    if len(argv) > 1 or (argv and argv[0].startswith("-")):
        print("usage: check_model_table.py [ModelTableData.cpp]",
              file=sys.stderr)
        return 2
    path = argv[0] if argv else default_path()
    try:
        with open(path, encoding="ascii") as f:
            source = f.read()
    except (OSError, UnicodeDecodeError) as e:
        print("check_model_table: cannot read %s: %s" % (path, e),
              file=sys.stderr)
        return 1

    failures = []

    def broken(figure, detail):
        failures.append("%s: %s" % (figure, detail))

    rows = read_rows(source, broken)
    if rows:
        check(rows, broken)
    shown = os.path.normpath(path)
    for line in failures:
        print("check_model_table: %s: figure broken: %s" % (shown, line),
              file=sys.stderr)
    if failures:
        return 1
    print("%s: all figures of the model table hold (%d rows)"
          % (shown, len(rows)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
