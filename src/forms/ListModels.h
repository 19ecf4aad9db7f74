// The models behind the list controls: a ListBox's entries in the order of adding, and a
// ComboBox's entries, sorted or not. Internal to the forms runtime; they need no widgets.
//
// A sorted list orders its entries ignoring case for letters, and entries that differ only in
// case by character code; so entries that share a leading part are ordered by what follows it,
// compared as text ("X 100" < "X 99").
#pragma once

#include <QAbstractListModel>
#include <QString>

#include <vector>

namespace forms::detail {

// The entries of a ListBox, in the order of adding.
class ListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;
    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    void append(const QString &text);
    void clear();
    const std::vector<QString> &rows() const { return m_rows; }

private:
    std::vector<QString> m_rows;
};

// The entries of a ComboBox. A sorted list keeps new entries aside and sorts them into place in
// one step (settle) before anyone reads the list, so loading n entries costs n log n rather than
// n moves each. Views only ever see settled entries, and only their visible part.
// The texts stay where they were added, in the order of adding; a sorted list orders them through
// a list of their places, so that sorting moves no text and a large list is freed in the order
// in which it was made.
class SortedListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;
    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    void setSorted(bool sorted) { m_sorted = sorted; }
    bool isSorted() const { return m_sorted; }
    void setVisibleLength(int length) { m_visibleLength = length; }

    bool hasPending() const { return m_sorted && m_order.size() < m_texts.size(); }
    // Number of entries, settled or not.
    qsizetype count() const { return qsizetype(m_texts.size()); }
    // Returns true when the entry waits to be settled.
    bool add(const QString &text);
    // Sorts waiting entries into place; returns whether anything changed.
    bool settle();
    void clear();
    // A settled entry, by its row in the list.
    const QString &entry(qsizetype row) const
    {
        return m_texts[m_sorted ? m_order[size_t(row)] : size_t(row)];
    }
    QString visiblePart(const QString &text) const;

    // The order of a sorted list: ignoring case for letters, then by character code.
    static bool lessThan(const QString &a, const QString &b);

private:
    size_t settledCount() const { return m_sorted ? m_order.size() : m_texts.size(); }

    std::vector<QString> m_texts; // every entry, in the order of adding
    std::vector<quint32> m_order; // sorted: the settled entries' places in m_texts, in order
    int m_visibleLength = -1;
    bool m_sorted = false;
};

} // namespace forms::detail
