// The model behind a ComboBox: its entries, sorted. Internal to the forms runtime; it needs no
// widgets.
//
// The order ignores case for letters, and orders entries that differ only in case by character
// code; so entries that share a leading part are ordered by what follows it, compared as text
// ("X 100" < "X 99").
#pragma once

#include <QAbstractListModel>
#include <QString>

#include <vector>

namespace forms::detail {

// New entries wait aside and are sorted into place in one step (settle) before anyone reads the
// list, so loading n entries costs n log n rather than n moves each. Views only ever see
// settled entries, and only their visible part. The texts stay where they were added, in the
// order of adding; the list orders them through a list of their places, so that sorting moves
// no text and a large list is freed in the order in which it was made.
class SortedListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;
    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    void setVisibleLength(int length) { m_visibleLength = length; }

    bool hasPending() const { return m_order.size() < m_texts.size(); }
    // Number of entries, settled or not.
    qsizetype count() const { return qsizetype(m_texts.size()); }
    // Adds an entry that waits to be settled.
    void add(const QString &text) { m_texts.push_back(text); }
    // Sorts waiting entries into place.
    void settle();
    void clear();
    // A settled entry, by its row in the list.
    const QString &entry(qsizetype row) const { return m_texts[m_order[size_t(row)]]; }
    QString visiblePart(const QString &text) const;

    // The order of a sorted list: ignoring case for letters, then by character code.
    static bool lessThan(const QString &a, const QString &b);

private:
    std::vector<QString> m_texts; // every entry, in the order of adding
    std::vector<quint32> m_order; // the settled entries' places in m_texts, in order
    int m_visibleLength = -1;
};

} // namespace forms::detail
