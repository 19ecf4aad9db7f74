#!/usr/bin/env python3
"""Generator for the built-in model table (src/ModelTableData.cpp).

Usage:
    gen_model_table.py [OUTPUT_DIR]  write OUTPUT_DIR/ModelTableData.cpp
                                     (default: the src/ directory of the
                                     repository this script lives in)
    gen_model_table.py --verify      regenerate into a temporary directory and
                                     compare byte for byte with
                                     src/ModelTableData.cpp; exit 1 on any
                                     difference

The table is built from a fixed seed with a small self-contained PRNG
(splitmix64) and never iterates over a set or relies on hashing, so the output
is byte-identical on every Python 3 version and every PYTHONHASHSEED.

Record format: every row is 123 printable ASCII characters, no separators:

    columns   1- 10  product code
    columns  11- 30  Tevra model name      (the maker's own brand)
    columns  31- 50  Dunel model name
    columns  51- 70  Brevikant model name
    columns  71- 90  Ostrum model name
    columns  91-120  development (code) name
    columns 121-123  type code

Each text starts in the first column of its field and is padded with spaces;
a field without a value is all spaces.

Naming schemes (so that a user can tell the brands apart at a glance):

    Tevra      type letter, hyphen, four digits, optional suffix:
               "K-2530Z", "F-2650 Plus", "P-2440DN"; duplicators are sold as
               "Stelmar 4520 Duo".  The first two digits are the speed (copies
               or pages per minute; for fax machines the first digit is the
               class), the last two the generation.
    Dunel      "DN", a type digit (1 analog, 2 digital, 3 colour, 4 scanner,
               6 fax, 7 printer, 8 duplicator, 9 wide format), then the speed
               and the generation's first digit: "DN 1253e" is the Dunel
               badge of Tevra "K-2530".
    Brevikant  a product-line word ending in -ira plus the Tevra number and an
               optional slash variant: "Kopira 2530/S", "Fonira 2650",
               "Printira 2440/N Pro".
    Ostrum     "O" plus a type letter, the Tevra number and an optional grade:
               "OD 4560 Pro", "OF 2650 Eco", "OC 3224 Studio".
    Dev name   engineering code names themed by product line (birds for
               analog copiers, rocks for digital copiers, pigments for colour
               copiers, winds and signals for fax machines, trees for
               printers, landscape for duplicators...).

Before anything is written the finished table is checked against all of its
fixed figures (row counts per type code, blank fields, repeated names, longest
texts, product code shapes, character set and ordering).  A table that fails
one of them is never written; the failing figure is named on stderr.
"""

import os
import sys
import tempfile

OUTPUT_NAME = "ModelTableData.cpp"
SEED = 0x5EED_7AB1_E396_0123

# --- record layout -----------------------------------------------------------

ROW_WIDTH = 123
# (field, first column 0-based, width)
LAYOUT = (
    ("code", 0, 10),
    ("tevra", 10, 20),
    ("dunel", 30, 20),
    ("brevikant", 50, 20),
    ("ostrum", 70, 20),
    ("dev", 90, 30),
    ("type", 120, 3),
)
BRANDS = ("tevra", "dunel", "brevikant", "ostrum")
NAME_FIELDS = BRANDS + ("dev",)
TYPE_ORDER = ("ANL", "DIG", "CLR", "FAX", "PRT", "STM", "SCN", "WID")

# --- fixed figures of the table ----------------------------------------------

ROWS_PER_TYPE = {"ANL": 120, "DIG": 54, "CLR": 21, "FAX": 115,
                 "PRT": 36, "STM": 29, "SCN": 11, "WID": 10}
TOTAL_ROWS = 396

# Rows whose field is all spaces, per type code: tevra, dunel, brevikant,
# ostrum, dev.
BLANKS = {
    "ANL": (0, 50, 52, 120, 3),
    "DIG": (3, 7, 7, 14, 0),
    "CLR": (0, 4, 1, 5, 0),
    "FAX": (0, 43, 90, 101, 48),
    "PRT": (0, 8, 3, 20, 6),
    "STM": (0, 13, 2, 23, 0),
    "SCN": (0, 11, 11, 6, 9),
    "WID": (0, 6, 7, 6, 2),
}

# Names shared by several rows of one type code: sizes of the groups.  Every
# other non-blank name is unique within its field over the whole table.
REPEATS = {
    "ANL": {"tevra": [2, 2, 2], "dunel": [3, 2, 2, 2, 2], "brevikant": [2, 2],
            "ostrum": [], "dev": [3] * 6 + [2] * 7},
    "DIG": {"tevra": [2], "dunel": [2], "brevikant": [], "ostrum": [2],
            "dev": [3] * 2 + [2] * 3},
    "CLR": {"tevra": [], "dunel": [2], "brevikant": [], "ostrum": [],
            "dev": [3, 2]},
    "FAX": {"tevra": [2, 2, 2], "dunel": [2, 2, 2, 2], "brevikant": [2],
            "ostrum": [2], "dev": [3] * 3 + [2] * 5},
    "PRT": {"tevra": [2], "dunel": [2], "brevikant": [], "ostrum": [],
            "dev": [3, 2, 2]},
    "STM": {"tevra": [2], "dunel": [], "brevikant": [2], "ostrum": [],
            "dev": [3, 2, 2]},
    "SCN": {"tevra": [], "dunel": [], "brevikant": [], "ostrum": [],
            "dev": []},
    "WID": {"tevra": [], "dunel": [], "brevikant": [], "ostrum": [],
            "dev": [2]},
}
# Totals over all type codes: (rows carrying a repeated name, groups).
REPEAT_TOTALS = {"tevra": (18, 9), "dunel": (25, 12), "brevikant": (8, 4),
                 "ostrum": (4, 2), "dev": (84, 35)}

# Longest text per field after removing the padding.
MAX_LENGTH = {"code": 7, "tevra": 18, "dunel": 13, "brevikant": 19,
              "ostrum": 14, "dev": 24}

# Product code shapes (L = upper-case letter, D = digit) and rows per shape.
SHAPE_TOTALS = {"LDDD": 305, "LDDDD": 43, "DDDDD": 27, "DDDD": 18,
                "LDDDL": 1, "LDDD LL": 2}
SHAPES_PER_TYPE = {
    "ANL": {"LDDD": 102, "DDDD": 8, "DDDDD": 10},
    "DIG": {"LDDD": 39, "LDDDD": 12, "DDDDD": 2, "LDDDL": 1},
    "CLR": {"LDDD": 15, "LDDDD": 6},
    "FAX": {"LDDD": 88, "LDDDD": 10, "DDDD": 6, "DDDDD": 9, "LDDD LL": 2},
    "PRT": {"LDDD": 26, "LDDDD": 8, "DDDDD": 2},
    "STM": {"LDDD": 21, "DDDD": 4, "DDDDD": 4},
    "SCN": {"LDDD": 7, "LDDDD": 4},
    "WID": {"LDDD": 7, "LDDDD": 3},
}
# Type codes in which one product code is listed twice (a code that was kept
# for a reworked model); exactly these two codes occur twice in the table.
DOUBLE_CODE_TYPES = ("ANL", "FAX")
DISTINCT_CODES = 394

# Rows with all four model names blank: the DIG rows without a Tevra name.
NAMELESS_ROWS = 3

NAME_CHARS = frozenset("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                       "0123456789 +-/")
DEV_CHARS = NAME_CHARS | frozenset("().")
CODE_CHARS = frozenset("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ")

# --- naming schemes ----------------------------------------------------------

# Speeds (first two digits of the model number) and generations (last two).
SPEEDS = {
    "ANL": [12, 13, 15, 16, 18, 20, 22, 25, 27, 30, 32, 35, 40, 45, 50, 55,
            60, 65, 70, 75],
    "DIG": [16, 18, 20, 22, 25, 27, 30, 32, 35, 40, 45, 50, 55, 60, 65, 70,
            75, 80, 85],
    "CLR": [10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30, 32, 35, 40, 45],
    "FAX": list(range(10, 50)),
    "PRT": [10, 12, 14, 16, 17, 18, 20, 22, 24, 25, 26, 28, 30, 32, 35, 40,
            45, 50, 55, 60],
    "STM": list(range(30, 80)),
    "SCN": [10, 12, 15, 18, 20, 24, 25, 30, 35, 40, 45],
    "WID": [24, 30, 36, 42, 44],
}
GENERATIONS = [10, 15, 20, 25, 30, 35, 40, 45, 50, 55, 60, 65, 70, 75, 80,
               85, 90, 95]

TEVRA_LETTER = {"ANL": "K", "DIG": "D", "CLR": "C", "FAX": "F", "PRT": "P",
                "SCN": "S", "WID": "W"}
TEVRA_STM_SERIES = "Stelmar"
TEVRA_SUFFIXES = {
    "ANL": ["Z", "RE", "ZD", "S"],
    "DIG": ["N", "SP", "D"],
    "CLR": ["N", "PS"],
    "FAX": ["L", "M", " Plus", "N"],
    "PRT": ["N", "DN", "X"],
    "STM": [" A3", " Duo", " Twin"],
    "SCN": ["U", "N"],
    "WID": ["S", "P"],
}
DUNEL_DIGIT = {"ANL": 1, "DIG": 2, "CLR": 3, "SCN": 4, "FAX": 6, "PRT": 7,
               "STM": 8, "WID": 9}
DUNEL_SUFFIXES = {t: ["e", "S", " Plus", "X"] for t in TYPE_ORDER}
BREVIKANT_SERIES = {"ANL": "Kopira", "DIG": "Digira", "CLR": "Tintira",
                    "FAX": "Fonira", "PRT": "Printira", "STM": "Dupira",
                    "SCN": "Scanira", "WID": "Planira"}
BREVIKANT_SUFFIXES = ["/S", "/N", "/2", "/L", " Pro", "/S Pro"]
OSTRUM_LETTER = {"ANL": "A", "DIG": "D", "CLR": "C", "FAX": "F", "PRT": "P",
                 "STM": "M", "SCN": "S", "WID": "W"}
OSTRUM_SUFFIXES = [" Pro", " Eco", "+", " Plus"]

# One model per field carries the longest name of its field.
FLAGSHIPS = {
    "tevra": ("STM", " Color"),        # "Stelmar NNNN Color", 18 characters
    "dunel": ("CLR", " Color"),        # "DN 3NNN Color", 13
    "brevikant": ("PRT", "/N Pro"),    # "Printira NNNN/N Pro", 19
    "ostrum": ("CLR", " Studio"),      # "OC NNNN Studio", 14
    "dev": ("ANL", "Project Starling (rev.C)"),                        # 24
}

# Product code letters per type code; copiers share "K", fax machines and
# scanners share "H", scanners and duplicators share "S", printers and
# duplicators share "P".  All-digit codes start with a catalogue digit.
CODE_LETTERS = {"ANL": "AK", "DIG": "KD", "CLR": "CK", "WID": "WK",
                "FAX": "FGH", "SCN": "HS", "PRT": "PL", "STM": "MSP"}
CODE_DIGIT = {"ANL": "1", "DIG": "2", "FAX": "6", "PRT": "7", "STM": "8"}
CODE_EXTENSIONS = ["EX", "SX"]

DEV_WORDS = {
    "ANL": ["Curlew", "Dunlin", "Godwit", "Redshank", "Lapwing", "Whimbrel",
            "Sanderling", "Siskin", "Linnet", "Wren", "Starling", "Heron",
            "Egret", "Bittern", "Avocet", "Shrike", "Fieldfare", "Redwing",
            "Stonechat", "Whinchat", "Wheatear", "Pipit", "Bunting",
            "Crossbill", "Goldcrest", "Nuthatch", "Waxwing", "Kittiwake",
            "Fulmar", "Gannet", "Shearwater", "Petrel", "Skua", "Tern",
            "Guillemot", "Razorbill", "Hobby", "Goshawk", "Buzzard",
            "Dipper", "Chiffchaff", "Firecrest", "Bullfinch", "Greenfinch",
            "Yellowhammer", "Corncrake", "Nightjar", "Oriole", "Hoopoe",
            "Plover"],
    "DIG": ["Basalt", "Granite", "Quartz", "Feldspar", "Mica", "Slate",
            "Flint", "Chert", "Gneiss", "Schist", "Dolomite", "Gypsum",
            "Calcite", "Galena", "Pyrite", "Bismuth", "Zircon", "Marble",
            "Shale", "Porphyry", "Tuff", "Andesite", "Diorite", "Gabbro",
            "Rhyolite", "Talc", "Fluorite", "Barite", "Halite", "Magnetite",
            "Hematite", "Olivine", "Apatite"],
    "CLR": ["Saffron", "Vermilion", "Indigo", "Ochre", "Cinnabar", "Madder",
            "Umber", "Sienna", "Viridian", "Cerulean", "Carmine", "Gamboge",
            "Sepia", "Cochineal", "Woad", "Malachite", "Azurite",
            "Verdigris", "Orpiment"],
    "FAX": ["Mistral", "Sirocco", "Bora", "Foehn", "Chinook", "Zephyr",
            "Levante", "Tramontane", "Gregale", "Libeccio", "Khamsin",
            "Harmattan", "Simoom", "Williwaw", "Etesian", "Pampero",
            "Squall", "Monsoon", "Semaphore", "Heliograph", "Beacon",
            "Signalfire", "Lamplight", "Headland", "Skerry", "Lagoon",
            "Sandbar", "Foreshore", "Breakwater", "Jetty", "Harbour",
            "Driftwood", "Tidewater", "Shingle"],
    "PRT": ["Alder", "Aspen", "Birch", "Hazel", "Hornbeam", "Juniper",
            "Larch", "Linden", "Rowan", "Willow", "Elm", "Yew", "Holly",
            "Spruce", "Cedar", "Maple", "Poplar", "Sycamore", "Whitebeam",
            "Blackthorn", "Hawthorn", "Elder", "Buckthorn", "Walnut",
            "Chestnut"],
    "STM": ["Fenland", "Heather", "Bracken", "Moorland", "Tarn", "Scree",
            "Cairn", "Fell", "Ridge", "Hollow", "Coppice", "Spinney",
            "Thicket", "Meadow", "Orchard", "Millpond", "Weir", "Sluice",
            "Drumlin", "Esker", "Moraine", "Combe", "Paddock", "Millrace",
            "Waterwheel", "Granary"],
    "SCN": ["Lantern", "Periscope", "Loupe", "Monocle"],
    "WID": ["Causeway", "Viaduct", "Towpath", "Broadwater", "Aqueduct",
            "Longshore", "Esplanade", "Canalside"],
}
# (pattern, weight); {w} and {x} are words of the product line's pool.
DEV_FORMS = (
    ("{w}", 8),
    ("{w} II", 3),
    ("{w} III", 1),
    ("{w} {a}.{b}", 3),
    ("Project {w}", 3),
    ("{w} (rev.{r})", 2),
    ("{w}/{x}", 1),
    ("{w} Mk.{a}", 1),
)


class TableError(Exception):
    """A figure of the table is not met."""


# --- PRNG --------------------------------------------------------------------

class SplitMix64:
    MASK = (1 << 64) - 1

    def __init__(self, seed):
        self.state = seed & self.MASK

    def next(self):
        self.state = (self.state + 0x9E3779B97F4A7C15) & self.MASK
        z = self.state
        z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & self.MASK
        z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & self.MASK
        return z ^ (z >> 31)

    def below(self, n):
        return self.next() % n

    def percent(self, p):
        return self.below(100) < p

    def choice(self, seq):
        return seq[self.below(len(seq))]

    def shuffled(self, seq):
        items = list(seq)
        for i in range(len(items) - 1, 0, -1):
            j = self.below(i + 1)
            items[i], items[j] = items[j], items[i]
        return items

    def sample(self, seq, k):
        return self.shuffled(seq)[:k]

    def weighted(self, pairs):
        total = sum(w for _, w in pairs)
        pick = self.below(total)
        for value, weight in pairs:
            if pick < weight:
                return value
            pick -= weight
        raise AssertionError("unreachable")


# --- building one product line -----------------------------------------------

class Row:
    def __init__(self, type_code, index):
        self.type = type_code
        self.index = index          # position within its product line
        self.names = {f: None for f in NAME_FIELDS}
        self.blank = {f: False for f in NAME_FIELDS}
        self.repeat = {f: None for f in NAME_FIELDS}   # group id or None
        self.flagship = None
        self.platform = None        # dev group (list of rows) or None
        self.speed = 0
        self.generation = 0
        self.shape = None
        self.code = None


def model_number(row):
    return "%02d%02d" % (row.speed, row.generation)


def base_name(field, row, speed, generation):
    t = row.type
    number = "%02d%02d" % (speed, generation)
    if field == "tevra":
        if t == "STM":
            return "%s %s" % (TEVRA_STM_SERIES, number)
        return "%s-%s" % (TEVRA_LETTER[t], number)
    if field == "dunel":
        return "DN %d%02d%d" % (DUNEL_DIGIT[t], speed, generation // 10)
    if field == "brevikant":
        return "%s %s" % (BREVIKANT_SERIES[t], number)
    if field == "ostrum":
        return "O%s %s" % (OSTRUM_LETTER[t], number)
    raise AssertionError(field)


def suffixes(field, type_code):
    if field == "tevra":
        return TEVRA_SUFFIXES[type_code]
    if field == "dunel":
        return DUNEL_SUFFIXES[type_code]
    if field == "brevikant":
        return BREVIKANT_SUFFIXES
    return OSTRUM_SUFFIXES


def pick_model_name(rng, field, row, used, plain_percent):
    """First free name for the row's model: the plain model number or a
    variant suffix, moving to a neighbouring generation only if all are
    taken."""
    options = suffixes(field, row.type)
    if rng.percent(plain_percent):
        order = [""] + options
    else:
        first = rng.choice(options)
        order = [first, ""] + [s for s in options if s != first]
    for step in range(0, 60):
        generation = (row.generation + step) % 100
        base = base_name(field, row, row.speed, generation)
        for suffix in order:
            name = base + suffix
            if len(name) < MAX_LENGTH[field] and name not in used:
                return name
    raise TableError("no free %s name for %s row %d"
                     % (field, row.type, row.index))


def pick_dev_name(rng, type_code, used):
    pool = DEV_WORDS[type_code]
    for _ in range(1000):
        form = rng.weighted(DEV_FORMS)
        word = rng.choice(pool)
        other = rng.choice(pool)
        if other == word:
            continue
        name = form.format(w=word, x=other, a=1 + rng.below(4),
                           b=rng.below(10), r="ABCD"[rng.below(4)])
        if len(name) <= MAX_LENGTH["dev"] and name not in used:
            return name
    raise TableError("no free development name for " + type_code)


def build_line(rng, type_code, used_names, used_codes):
    n = ROWS_PER_TYPE[type_code]
    rows = [Row(type_code, i) for i in range(n)]
    blanks = dict(zip(NAME_FIELDS, BLANKS[type_code]))
    repeats = REPEATS[type_code]

    # Platforms: rows sharing a development name.  Then the rows without
    # one, the rest get a development name of their own.
    order = rng.shuffled(rows)
    platforms = []
    pos = 0
    for size in repeats["dev"]:
        group = order[pos:pos + size]
        pos += size
        platforms.append(group)
        for r in group:
            r.platform = group
            r.repeat["dev"] = len(platforms) - 1
    for r in order[pos:pos + blanks["dev"]]:
        r.blank["dev"] = True
    singles = [r for r in rows if r.platform is None]

    # Rows carrying no model name at all (a Tevra blank means all blank).
    nameless = rng.sample([r for r in singles if not r.blank["dev"]],
                          blanks["tevra"])
    for r in nameless:
        for f in BRANDS:
            r.blank[f] = True

    for f in BRANDS:
        extra = blanks[f] - len(nameless)
        if extra < 0:
            raise TableError("blank %s fields in %s: fewer than the "
                             "nameless rows" % (f, type_code))
        candidates = [r for r in rows if not r.blank[f]]
        for r in rng.sample(candidates, extra):
            r.blank[f] = True

    # Names repeated between rows: one model sold under two or three product
    # codes (market variants).  Such a set of rows is one "twin set"; a twin
    # set may share the names of several brands.  Twin sets are preferably
    # taken from one platform.
    twin_sets = []
    for f in BRANDS:
        for gid, size in enumerate(repeats[f]):
            def free(r):
                return (not r.blank[f] and r.repeat[f] is None
                        and not any(r in s for s in twin_sets))
            group = None
            reusable = [s for s in twin_sets if len(s) == size
                        and all(not r.blank[f] and r.repeat[f] is None
                                for r in s)]
            if reusable and rng.percent(30):
                group = rng.choice(reusable)
            elif rng.percent(80):
                fitting = [p for p in platforms
                           if sum(1 for r in p if free(r)) >= size]
                if fitting:
                    p = rng.choice(fitting)
                    group = rng.sample([r for r in p if free(r)], size)
            if group is None:
                group = rng.sample([r for r in rows if free(r)], size)
            if group not in twin_sets:
                twin_sets.append(group)
            for r in group:
                r.repeat[f] = gid

    # Flagships: the one model carrying the longest name of a field.
    for f, (t, _) in FLAGSHIPS.items():
        if t != type_code:
            continue
        pool = [r for r in rows if not r.blank[f] and r.repeat[f] is None
                and r.flagship is None]
        rng.choice(pool).flagship = f

    # Speeds and generations.  A platform shares its generation and spans
    # several speeds; rows sharing a model name are the same model.
    used_numbers = []
    speeds = SPEEDS[type_code]

    def claim(speed, generation):
        key = (speed, generation)
        if key in used_numbers:
            return False
        used_numbers.append(key)
        return True

    for p in platforms:
        while True:
            generation = rng.choice(GENERATIONS)
            chosen = sorted(rng.sample(speeds, len(p)))
            if all((s, generation) not in used_numbers for s in chosen):
                break
        for r, s in zip(p, chosen):
            claim(s, generation)
            r.speed, r.generation = s, generation
    for r in singles:
        while True:
            s, g = rng.choice(speeds), rng.choice(GENERATIONS)
            if claim(s, g):
                break
        r.speed, r.generation = s, g
    for twins in twin_sets:
        for r in twins[1:]:
            r.speed, r.generation = twins[0].speed, twins[0].generation

    # Model names: flagships first, then repeated names, then the rest.
    for f in BRANDS:
        used = used_names[f]
        for r in rows:
            if r.flagship == f:
                name = base_name(f, r, r.speed, r.generation) + FLAGSHIPS[f][1]
                if name in used:
                    raise TableError("flagship %s name %s taken" % (f, name))
                used.append(name)
                r.names[f] = name
        for gid in range(len(repeats[f])):
            members = [r for r in rows if r.repeat[f] == gid]
            name = pick_model_name(rng, f, members[0], used, 70)
            used.append(name)
            for r in members:
                r.names[f] = name
        for r in rows:
            if r.blank[f] or r.names[f] is not None:
                continue
            name = pick_model_name(rng, f, r, used, 60)
            used.append(name)
            r.names[f] = name

    # Development names.
    used = used_names["dev"]
    for r in rows:
        if r.flagship == "dev":
            name = FLAGSHIPS["dev"][1]
            used.append(name)
            r.names["dev"] = name
    for p in platforms:
        name = pick_dev_name(rng, type_code, used)
        used.append(name)
        for r in p:
            r.names["dev"] = name
    for r in singles:
        if r.blank["dev"] or r.names["dev"] is not None:
            continue
        name = pick_dev_name(rng, type_code, used)
        used.append(name)
        r.names["dev"] = name

    # Product codes.  A platform shares its code letter.
    shapes = []
    for shape, count in SHAPES_PER_TYPE[type_code].items():
        shapes += [shape] * count
    if len(shapes) != n:
        raise TableError("product code shapes of %s do not add up" % type_code)
    shapes = rng.shuffled(shapes)
    letters = CODE_LETTERS[type_code]
    platform_letter = [rng.choice(letters) for _ in platforms]
    for r, shape in zip(rows, shapes):
        r.shape = shape
        if r.platform is not None:
            letter = platform_letter[platforms.index(r.platform)]
        else:
            letter = rng.choice(letters)
        r.code = claim_code(make_code(rng, shape, letter, r), used_codes)

    # One product code listed twice: kept for a reworked model of a platform,
    # the nearest in speed.  The two Tevra names first differ in a digit, so
    # the two rows keep their order whether or not case is ignored.
    if type_code in DOUBLE_CODE_TYPES:
        def fits(a, b):
            x, y = a.names["tevra"], b.names["tevra"]
            if a.shape != "LDDD" or b.shape != "LDDD" or not x or not y:
                return False
            for cx, cy in zip(x, y):
                if cx != cy:
                    return cx.isdigit() and cy.isdigit()
            return False
        pairs = [(a, b) for p in platforms for a in p for b in p
                 if a.index < b.index and fits(a, b)]
        if not pairs:
            raise TableError("no pair of rows to share a product code in "
                             + type_code)
        nearest = min(abs(a.speed - b.speed) for a, b in pairs)
        a, b = rng.choice([(a, b) for a, b in pairs
                           if abs(a.speed - b.speed) == nearest])
        used_codes.remove(b.code)
        b.code = a.code
    return rows


def make_code(rng, shape, letter, row):
    three = "%02d%d" % (row.speed, row.generation // 10)
    four = "%02d%02d" % (row.speed, row.generation)
    digit = CODE_DIGIT.get(row.type, "5")
    if shape == "LDDD":
        return letter + three
    if shape == "LDDDD":
        return letter + four
    if shape == "DDDD":
        return digit + three
    if shape == "DDDDD":
        return digit + four
    if shape == "LDDDL":
        return letter + three + "X"
    if shape == "LDDD LL":
        return letter + three + " " + rng.choice(CODE_EXTENSIONS)
    raise AssertionError(shape)


def claim_code(code, used_codes):
    """Take the code, or the next free number of the same shape."""
    start = 0
    while code[start].isalpha():
        start += 1
    end = start
    while end < len(code) and code[end].isdigit():
        end += 1
    width = end - start
    low, high = 10 ** (width - 1), 10 ** width
    number = int(code[start:end])
    for _ in range(high):
        candidate = code[:start] + ("%0*d" % (width, number)) + code[end:]
        if candidate not in used_codes:
            used_codes.append(candidate)
            return candidate
        number += 1
        if number >= high:
            number = low
    raise TableError("no free product code like " + code)


# --- the whole table ---------------------------------------------------------

def format_row(row):
    values = {"code": row.code, "type": row.type}
    values.update({f: row.names[f] or "" for f in NAME_FIELDS})
    text = ""
    for field, _, width in LAYOUT:
        value = values[field]
        if len(value) > width:
            raise TableError("%s text %r longer than its field"
                             % (field, value))
        text += value.ljust(width)
    return text


def build_table():
    rng = SplitMix64(SEED)
    used_names = {f: [] for f in NAME_FIELDS}
    used_codes = []
    rows = []
    for t in TYPE_ORDER:
        rows += build_line(rng, t, used_names, used_codes)
    return sorted(format_row(r) for r in rows)


def field_text(row, field):
    for name, start, width in LAYOUT:
        if name == field:
            return row[start:start + width].rstrip(" ")
    raise AssertionError(field)


def code_shape(code):
    return "".join("L" if c.isalpha() else "D" if c.isdigit() else c
                   for c in code)


def verify_table(table):
    """Raise TableError naming the first figure the table does not meet."""
    def require(ok, figure, detail=""):
        if not ok:
            raise TableError("figure '%s' not met%s"
                             % (figure, (": " + detail) if detail else ""))

    require(len(table) == TOTAL_ROWS, "row count", str(len(table)))
    for i, row in enumerate(table):
        require(len(row) == ROW_WIDTH, "row width", "row %d" % i)
        require(all(" " <= c <= "~" for c in row), "printable ASCII",
                "row %d" % i)
    for i in range(1, len(table)):
        require(table[i - 1] < table[i], "ascending order", "rows %d-%d"
                % (i - 1, i))
        require(table[i - 1].lower() < table[i].lower(),
                "ascending order ignoring case", "rows %d-%d" % (i - 1, i))

    types = [field_text(r, "type") for r in table]
    for t in TYPE_ORDER:
        require(types.count(t) == ROWS_PER_TYPE[t], "rows of type " + t,
                str(types.count(t)))

    # Field contents: start in the first column, allowed characters.
    for i, row in enumerate(table):
        for field, start, width in LAYOUT:
            raw = row[start:start + width]
            text = raw.rstrip(" ")
            require(not raw.startswith(" ") or text == "",
                    "no leading space", "%s of row %d" % (field, i))
            require("  " not in text, "no double space",
                    "%s of row %d" % (field, i))
            if field in ("code", "type"):
                require(text != "", field + " never blank", "row %d" % i)
            allowed = (CODE_CHARS if field == "code"
                       else DEV_CHARS if field == "dev"
                       else NAME_CHARS if field in BRANDS
                       else frozenset("ABCDEFGHIJKLMNOPQRSTUVWXYZ"))
            require(all(c in allowed for c in text),
                    "allowed characters of " + field, "row %d: %r" % (i, text))

    # Longest text per field.
    for field, limit in MAX_LENGTH.items():
        longest = max(len(field_text(r, field)) for r in table)
        require(longest == limit, "longest %s text" % field,
                "%d, not %d" % (longest, limit))

    # Product codes.
    codes = [field_text(r, "code") for r in table]
    shape_counts = {}
    for c in codes:
        shape_counts[code_shape(c)] = shape_counts.get(code_shape(c), 0) + 1
    require(shape_counts == SHAPE_TOTALS, "product code shapes",
            repr(sorted(shape_counts.items())))
    require(sum(1 for c in codes if " " in c) == 2,
            "product codes with an inner space")
    distinct = sorted(set(codes))
    require(len(distinct) == DISTINCT_CODES, "distinct product codes",
            str(len(distinct)))
    doubles = [c for c in distinct if codes.count(c) > 1]
    require(len(doubles) == 2, "product codes listed twice", repr(doubles))
    for c in doubles:
        pair = [r for r in table if field_text(r, "code") == c]
        require(len(pair) == 2, "product codes listed twice",
                "%s occurs %d times" % (c, len(pair)))
        require(pair[0][120:] == pair[1][120:],
                "product code listed twice within one type code", c)
        require(pair[0][10:120] != pair[1][10:120],
                "rows sharing a product code differ in their names", c)

    # Blank fields per type code.
    for t in TYPE_ORDER:
        of_type = [r for r in table if field_text(r, "type") == t]
        for field, expected in zip(NAME_FIELDS, BLANKS[t]):
            got = sum(1 for r in of_type if field_text(r, field) == "")
            require(got == expected, "blank %s fields in %s" % (field, t),
                    "%d, not %d" % (got, expected))

    # Repeated names.
    for field in NAME_FIELDS:
        where = {}
        for r in table:
            text = field_text(r, field)
            if text:
                where.setdefault(text, []).append(field_text(r, "type"))
        rows_in_groups = groups = 0
        for text, found_in in where.items():
            if len(found_in) > 1:
                require(len(set(found_in)) == 1,
                        "repeated %s name within one type code" % field, text)
                rows_in_groups += len(found_in)
                groups += 1
        require((rows_in_groups, groups) == REPEAT_TOTALS[field],
                "repeated %s names" % field,
                "%d rows in %d groups" % (rows_in_groups, groups))

    # Rows without any model name.
    nameless = [r for r in table
                if all(field_text(r, f) == "" for f in BRANDS)]
    require(len(nameless) == NAMELESS_ROWS, "rows without model names",
            str(len(nameless)))
    for r in nameless:
        require(field_text(r, "type") == "DIG" and field_text(r, "dev") != "",
                "rows without model names are DIG rows with a "
                "development name")
    no_tevra = [r for r in table if field_text(r, "tevra") == ""]
    require(no_tevra == nameless,
            "rows without a Tevra name have no model name")


def render(table):
    lines = [
        "// ModelTableData.cpp - the built-in model table.",
        "//",
        "// Generated by tools/gen_model_table.py. Do not edit by hand: change the",
        "// generator and run `python3 tools/gen_model_table.py` instead.",
        "//",
        "// Record format, 123 characters per row (columns 1-based):",
        "//   1-10 product code      11-30 Tevra name       31-50 Dunel name",
        "//   51-70 Brevikant name   71-90 Ostrum name      91-120 development name",
        "//   121-123 type code",
        "",
        '#include "ModelTableData.h"',
        "",
        "// One row a line, whatever the line length.",
        "// clang-format off",
        "const char16_t *const ModelTableRows[ModelTableRowCount] = {",
    ]
    for row in table:
        lines.append('    u"%s",' % row)
    lines.append("};")
    lines.append("// clang-format on")
    return "\n".join(lines) + "\n"


def write_table(out_dir):
    table = build_table()
    verify_table(table)
    text = render(table)
    os.makedirs(out_dir, exist_ok=True)
    path = os.path.join(out_dir, OUTPUT_NAME)
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write(text)
    return path


def default_dir():
    return os.path.join(os.path.dirname(os.path.abspath(__file__)),
                        os.pardir, "src")


def main(argv):
    try:
        if argv == ["--verify"]:
            committed = os.path.join(default_dir(), OUTPUT_NAME)
            with tempfile.TemporaryDirectory() as tmp:
                fresh = write_table(tmp)
                with open(fresh, "rb") as f:
                    new = f.read()
            try:
                with open(committed, "rb") as f:
                    old = f.read()
            except OSError as e:
                print("cannot read %s: %s"
                      % (os.path.normpath(committed), e.strerror),
                      file=sys.stderr)
                return 1
            if new != old:
                print("%s differs from the generator's output; run "
                      "tools/gen_model_table.py" % os.path.normpath(committed),
                      file=sys.stderr)
                return 1
            print("%s matches the generator's output"
                  % os.path.normpath(committed))
            return 0
        if len(argv) > 1 or (argv and argv[0].startswith("-")):
            print(__doc__.split("\n\n")[1], file=sys.stderr)
            return 2
        out_dir = argv[0] if argv else default_dir()
        path = write_table(out_dir)
        print("wrote %s (%d rows)" % (os.path.normpath(path), TOTAL_ROWS))
        return 0
    except TableError as e:
        print("gen_model_table: %s" % e, file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
