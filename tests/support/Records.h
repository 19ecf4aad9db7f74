// What the tests, the soak, the fuzzers and the benchmarks know of the model table's records
// and the lookup entries, written out once: the record's fields and columns, the type codes and
// their groups, fixed-width texts, the entries of the search window's lists and the name a
// lookup entry shows. Needs no widgets.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace records {

// The seven fields of a record, with their 1-based first column and width.
struct Field
{
    const char *name; // as the search window's label beside its box says it
    int column;
    int width;
};
inline constexpr Field Prod{"Prod Code", 1, 10};
inline constexpr Field Tevra{"Tevra", 11, 20};
inline constexpr Field Dunel{"Dunel", 31, 20};
inline constexpr Field Brevikant{"Brevikant", 51, 20};
inline constexpr Field Ostrum{"Ostrum", 71, 20};
inline constexpr Field DevName{"Dev Name", 91, 30};
inline constexpr Field Type{"Type", 121, 3};
inline constexpr Field Brands[] = {Tevra, Dunel, Brevikant, Ostrum}; // lists 1 to 4

// The type codes of the brand categories 0 to 7, in the main menu's order, and their groups.
inline const QStringList TypeCodes = {"ANL", "DIG", "CLR", "FAX", "PRT", "STM", "SCN", "WID"};
inline const QStringList GroupNames = {"Analog",  "Digital", "Color",   "Facsimile",
                                       "Printer", "Stelmar", "Scanner", "Wide Format"};

// A text as a fixed-width field of width holds it: cut, or padded with spaces.
inline QString fixed(const QString &text, int width)
{
    return text.left(width).leftJustified(width, QLatin1Char(' '));
}

// A text without its trailing spaces.
inline QString rtrim(QString text)
{
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

// A field of a record, at its whole width.
inline QString field(const QString &record, const Field &f)
{
    return fixed(record.mid(f.column - 1), f.width);
}

// One record in the table's fixed-width layout.
inline QString record(const QString &prod, const QString &tev, const QString &dun,
                      const QString &bre, const QString &ost, const QString &name,
                      const QString &type)
{
    return fixed(prod, 10) + fixed(tev, 20) + fixed(dun, 20) + fixed(bre, 20) + fixed(ost, 20)
            + fixed(name, 30) + fixed(type, 3);
}

// The group of a record's type code; "" for a record of no known type.
inline QString group(const QString &record)
{
    const qsizetype k = TypeCodes.indexOf(field(record, Type));
    return k < 0 ? QString() : GroupNames[k];
}

// A lookup entry: the value cut to its field's width, filler up to character 80, the index.
inline QString entry(const QString &value, int width, int index)
{
    return fixed(fixed(value, width), 80) + QString::number(index);
}

// A lookup entry of a brand list, whose field is 20 characters wide.
inline QString entry(const QString &value, int index)
{
    return entry(value, 20, index);
}

// The entries that the search window's lists 0 to 4 get for a category, in the order of the
// rows: for categories 0 to 7 the four brand names of the records of that type code, for 8 and 9
// the product codes or development names of all; one entry for each value that is not blank.
inline std::vector<QStringList> lookupEntries(const QStringList &rows, int category)
{
    std::vector<QStringList> lists(5);
    for (int i = 0; i < rows.size(); ++i) {
        auto add = [&](int list, const Field &f) {
            const QString value = field(rows[i], f);
            if (!rtrim(value).isEmpty())
                lists[size_t(list)] << entry(value, f.width, i);
        };
        if (category >= 0 && category <= 7 && field(rows[i], Type) == TypeCodes[category]) {
            for (int list = 1; list <= 4; ++list)
                add(list, Brands[list - 1]);
        } else if (category == 8 || category == 9) {
            add(0, category == 8 ? Prod : DevName);
        }
    }
    return lists;
}

// What a lookup entry shows and a screen reader speaks: its first 80 characters, untrimmed of
// nothing but their trailing spaces.
inline QString visibleName(const QString &entry)
{
    return rtrim(entry.left(80));
}

} // namespace records
