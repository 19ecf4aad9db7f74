"""What the program shows, as the tests expect it: its windows' titles and layout, the model
table, what the lookup lists hold and what the record boxes show for a row."""

import os
import re

from e2e_support import check

MAIN_TITLE = "Tevra Corporation - Model Cross Reference"
BRANDS = ["Tevra", "Dunel", "Brevikant", "Ostrum"]
TYPE_GROUPS = {"ANL": "Analog", "DIG": "Digital", "CLR": "Color", "FAX": "Facsimile",
               "PRT": "Printer", "STM": "Stelmar", "SCN": "Scanner", "WID": "Wide Format"}
# The record boxes in their tab order; the last only in the internal edition.
BOX_NAMES = ["Tevra", "Dunel", "Brevikant", "Ostrum", "Prod Code", "Group", "Dev Name"]
# Each row's fields: (start, end) of the characters that each record box shows, and of the
# type code.
FIELDS = {"Tevra": (10, 30), "Dunel": (30, 50), "Brevikant": (50, 70), "Ostrum": (70, 90),
          "Prod Code": (0, 10), "Dev Name": (90, 120)}
TYPE = (120, 123)

RESOURCES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                         "resources")


def pixels(*twips):
    """Twips, as the windows place their controls, in pixels (15 to a pixel)."""
    return tuple(round(t / 15) for t in twips)


# Where the Tevra record box lies in the search window's client area.
TEVRA_BOX = pixels(4950, 975, 1965, 285)


def version_caption():
    """The main menu's version label for the version that CMake builds, which it hands the
    tests in MXR_VERSION."""
    return "Version: " + os.environ["MXR_VERSION"]


def read_table(path):
    """The rows of the model table, as the program holds them (123 characters each), from
    ModelTableData.cpp; ModelTableData.h beside it says how many there are."""
    with open(path, encoding="utf-8") as f:
        rows = re.findall(r'u"(.{123})"', f.read())
    with open(os.path.splitext(path)[0] + ".h", encoding="utf-8") as f:
        count = int(re.search(r"ModelTableRowCount = (\d+);", f.read()).group(1))
    check(len(rows) == count, f"{path}: expected {count} rows, found {len(rows)}")
    return rows


def type_of(row):
    """A row's type code."""
    return row[TYPE[0]:TYPE[1]]


def record_boxes(row):
    """What the seven record boxes hold for a table row, at their whole fixed widths."""
    boxes = {name: row[start:end] for name, (start, end) in FIELDS.items()}
    boxes["Group"] = TYPE_GROUPS[type_of(row)]
    return boxes


def read_boxes(row):
    """What a screen reader reads of the seven record boxes for a table row: each value
    without the filler spaces that pad it to its width."""
    return {name: value.rstrip() for name, value in record_boxes(row).items()}


def list_entries(rows, field, type_code=None):
    """The visible names in the lookup list of a box's field (for the rows of one type code),
    in the list's order: case ignored for letters, then by character code."""
    start, end = FIELDS[field]
    names = [row[start:end].rstrip() for row in rows
             if (type_code is None or type_of(row) == type_code) and row[start:end].strip()]
    return sorted(names, key=lambda name: (name.lower(), name))


def check_boxes(shown, rows, field, type_code=None, whole=False):
    """shown, the record boxes after a pick, are those of a row (of type_code) whose field
    shows what the box of that field shows; whole: at their whole fixed widths, as a box's
    text is copied, else as a screen reader reads them."""
    read = record_boxes if whole else read_boxes
    candidates = [row for row in rows if (type_code is None or type_of(row) == type_code)
                  and read(row)[field] == shown[field]]
    check(candidates, f"no table row has {field} {shown[field]!r}")
    expected = [{name: value for name, value in read(row).items() if name in shown}
                for row in candidates]
    check(shown in expected, f"boxes {shown}\n  expected one of {expected}")
