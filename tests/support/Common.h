// What the tests, the fuzzers and the benchmarks share beyond the records (Records.h), without
// Qt Test: the error that a call raises, the model table replaced by rows of their own, and what
// the search window's seven record boxes hold.
#pragma once

#include "Records.h"
#include "forms/Error.h"
#include "frmMain.h"
#include "frmSearch.h"

#include <QAbstractItemView>

// The number of the error that f raises, or 0.
template<typename F>
int errorOf(F &&f)
{
    try {
        f();
    } catch (const forms::Error &e) {
        return e.Number();
    }
    return 0;
}

// Replaces the model table in lstMain with rows of the caller's own, added as the program's load
// adds its rows. The program never empties lstMain: the rows it loaded go through the list's view.
inline void fillTable(const QStringList &rows)
{
    QAbstractItemModel *table =
            qobject_cast<QAbstractItemView *>(frmMain->lstMain.widget())->model();
    table->removeRows(0, table->rowCount());
    for (const QString &row : rows)
        frmMain->lstMain.AddItem(row);
}

// What the search window's seven record boxes hold.
struct Boxes
{
    QString tev, dun, bre, ost, prod, name, group;
    bool operator==(const Boxes &) const = default;
    QString joined() const { return QStringList{tev, dun, bre, ost, prod, name, group}.join(u'|'); }
};

inline Boxes boxes(SearchForm &f)
{
    return {f.txtTev.Text,  f.txtDun.Text,  f.txtBre.Text,  f.txtOst.Text,
            f.txtProd.Text, f.txtName.Text, f.txtGroup.Text};
}

// What the boxes show for a record: every field at its whole width, and the group of its type.
inline Boxes recordBoxes(const QString &row)
{
    using namespace records;
    return {field(row, Tevra),  field(row, Dunel), field(row, Brevikant),
            field(row, Ostrum), field(row, Prod),  field(row, DevName),
            group(row)};
}
