#include "SortedListModel_p.h"

#include <algorithm>

namespace forms::detail {

int SortedListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_order.size());
}

QVariant SortedListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || size_t(index.row()) >= m_order.size())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::AccessibleTextRole:
        return visiblePart(entry(index.row()));
    default:
        return {};
    }
}

QString SortedListModel::visiblePart(const QString &text) const
{
    QStringView shown(text);
    if (m_visibleLength >= 0 && shown.size() > m_visibleLength)
        shown = shown.left(m_visibleLength);
    while (!shown.isEmpty() && shown.back() == QLatin1Char(' '))
        shown.chop(1);
    return shown.toString();
}

static std::vector<quint32> sortedPlaces(const std::vector<QString> &texts, size_t first);

void SortedListModel::settle()
{
    if (!hasPending())
        return;
    std::vector<quint32> added = sortedPlaces(m_texts, m_order.size());
    beginResetModel();
    if (m_order.empty()) {
        m_order.swap(added);
    } else {
        std::vector<quint32> merged;
        merged.reserve(m_order.size() + added.size());
        std::merge(m_order.begin(), m_order.end(), added.begin(), added.end(),
                   std::back_inserter(merged),
                   [this](quint32 a, quint32 b) { return lessThan(m_texts[a], m_texts[b]); });
        m_order.swap(merged);
    }
    endResetModel();
}

void SortedListModel::clear()
{
    beginResetModel();
    m_texts.clear();
    m_order.clear();
    endResetModel();
}

static inline char16_t foldCase(char16_t c)
{
    if (c >= u'A' && c <= u'Z')
        return c + (u'a' - u'A');
    if (c < 128)
        return c;
    return QChar(c).toCaseFolded().unicode();
}

bool SortedListModel::lessThan(const QString &a, const QString &b)
{
    const qsizetype n = std::min(a.size(), b.size());
    const char16_t *pa = reinterpret_cast<const char16_t *>(a.constData());
    const char16_t *pb = reinterpret_cast<const char16_t *>(b.constData());
    for (qsizetype i = 0; i < n; ++i) {
        if (pa[i] == pb[i])
            continue;
        const char16_t fa = foldCase(pa[i]);
        const char16_t fb = foldCase(pb[i]);
        if (fa != fb)
            return fa < fb;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

namespace {

// The first 16 characters of an entry, folded as lessThan folds them, one byte each, first
// character in the highest byte: two keys that differ order their entries as lessThan does,
// and equal keys leave the decision to lessThan. A character that folds to 255 or above is
// stored as 255 and ends the key, so that the bytes after it never decide anything.
struct SortKey
{
    quint64 high = 0;
    quint64 low = 0;
    quint32 index = 0;
};

SortKey sortKey(const QString &text, quint32 index)
{
    SortKey key;
    key.index = index;
    const qsizetype n = std::min<qsizetype>(text.size(), 16);
    const char16_t *p = reinterpret_cast<const char16_t *>(text.constData());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t folded = foldCase(p[i]);
        const quint64 byte = folded < 255 ? folded : 255;
        quint64 &word = i < 8 ? key.high : key.low;
        word |= byte << (56 - 8 * (i % 8));
        if (byte == 255)
            break;
    }
    return key;
}

} // namespace

// The places of texts[first...] in lessThan order. Whole texts are compared only where the keys
// of their first characters tie.
static std::vector<quint32> sortedPlaces(const std::vector<QString> &texts, size_t first)
{
    std::vector<SortKey> keys;
    keys.reserve(texts.size() - first);
    for (size_t i = first; i < texts.size(); ++i)
        keys.push_back(sortKey(texts[i], quint32(i)));
    std::sort(keys.begin(), keys.end(), [&texts](const SortKey &a, const SortKey &b) {
        if (a.high != b.high)
            return a.high < b.high;
        if (a.low != b.low)
            return a.low < b.low;
        return SortedListModel::lessThan(texts[a.index], texts[b.index]);
    });
    std::vector<quint32> places;
    places.reserve(keys.size());
    for (const SortKey &key : keys)
        places.push_back(key.index);
    return places;
}

} // namespace forms::detail
