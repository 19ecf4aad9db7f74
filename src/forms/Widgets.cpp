#include "Widgets.h"

#include "BackgroundLoader.h"
#include "RuntimeState.h"

#include <QCloseEvent>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmapCache>
#include <QStyleOptionButton>
#include <QStylePainter>

#include <algorithm>

namespace forms::detail {

// ---- pictures ----

static QString cacheKey(const QString &file)
{
    return QLatin1String("forms:picture:") + file;
}

// The file that shows resource at the given device-pixel ratio.
static QString pictureFile(const QString &resource, qreal devicePixelRatio)
{
    if (devicePixelRatio > 1.0) {
        const qsizetype dot = resource.lastIndexOf(QLatin1Char('.'));
        const QString dense = dot < 0 ? resource + QLatin1String("@2x")
                                      : resource.left(dot) + QLatin1String("@2x") + resource.mid(dot);
        if (QFile::exists(dense))
            return dense;
    }
    return resource;
}

// A picture file, kept in the pixmap cache for the next window that shows it. It comes from the
// background loader when that has read it; a file that its name does not describe goes through
// Qt's detection of the format.
static QPixmap readPicture(const QString &file)
{
    QPixmap pixmap;
    if (QPixmapCache::find(cacheKey(file), &pixmap))
        return pixmap;
    std::optional<QImage> image;
    if (BackgroundLoader *loader = BackgroundLoader::instance())
        image = loader->takePicture(file);
    if (!image)
        image = readImage(file);
    pixmap = image->isNull() ? QPixmap(file) : QPixmap::fromImage(std::move(*image));
    if (!pixmap.isNull())
        QPixmapCache::insert(cacheKey(file), pixmap);
    return pixmap;
}

QPixmap loadPicture(const QString &resource, qreal devicePixelRatio)
{
    const QString file = pictureFile(resource, devicePixelRatio);
    QPixmap pixmap = readPicture(file);
    if (file != resource)
        pixmap.setDevicePixelRatio(2.0);
    return pixmap;
}

void CachedPicture::setResource(const QString &resource)
{
    m_resource = resource;
    m_pixmap = QPixmap();
    m_ratio = 0;
    // Have the picture read while the window is still being made, for the ratio of the
    // densest screen, which is where a window opens unless it is placed elsewhere.
    BackgroundLoader *loader = BackgroundLoader::instance();
    if (loader && !resource.isEmpty()) {
        const QString file = pictureFile(resource, qGuiApp->devicePixelRatio() > 1.0 ? 2.0 : 1.0);
        QPixmap cached;
        if (!QPixmapCache::find(cacheKey(file), &cached))
            loader->requestPicture(file);
    }
}

const QPixmap &CachedPicture::pixmap(qreal devicePixelRatio)
{
    const qreal wanted = devicePixelRatio > 1.0 ? 2.0 : 1.0;
    if (m_ratio != wanted && !m_resource.isEmpty()) {
        m_pixmap = loadPicture(m_resource, wanted);
        m_ratio = wanted;
    }
    return m_pixmap;
}

// ---- FormWindow ----

FormWindow::FormWindow(Form *form)
    : m_form(form)
{
}

void FormWindow::setPicture(const QString &resource)
{
    m_picture.setResource(resource);
    update();
}

void FormWindow::paintEvent(QPaintEvent *)
{
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_picture.pixmap(devicePixelRatioF()));
}

void FormWindow::closeEvent(QCloseEvent *event)
{
    // The window goes away through Unload, which asks Form_QueryUnload first and hides it.
    event->ignore();
    Form *form = m_form;
    RaiseEvent([form] { Unload(*form, vbFormControlMenu); });
}

// ---- PictureButton ----

PictureButton::PictureButton(QWidget *parent)
    : QPushButton(parent)
{
}

void PictureButton::setGraphical(bool graphical)
{
    m_graphical = graphical;
    update();
}

void PictureButton::setBackColor(const QColor &color)
{
    m_backColor = color;
    update();
}

void PictureButton::setPicture(const QString &resource)
{
    m_picture.setResource(resource);
    update();
}

void PictureButton::paintEvent(QPaintEvent *event)
{
    if (!m_graphical) {
        QPushButton::paintEvent(event);
        return;
    }

    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    option.icon = QIcon();
    option.palette.setColor(QPalette::Button, m_backColor);
    option.palette.setColor(QPalette::Window, m_backColor);
    painter.drawControl(QStyle::CE_PushButtonBevel, option);

    const QRect contents = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    const int pressedShift = isDown() ? 1 : 0;
    const int flags = Qt::AlignHCenter | Qt::AlignBottom | Qt::TextWordWrap | Qt::TextShowMnemonic;

    // The caption sits at the bottom; the picture is centred in the room above it at its own
    // size, and whatever does not fit is cut off rather than scaled.
    // Without a picture the caption stands in the middle.
    const QRect captionBounds =
        fontMetrics().boundingRect(contents, flags, text()).intersected(contents);
    const int captionTop = m_picture.isNull()
                               ? contents.top() + (contents.height() - captionBounds.height()) / 2
                               : contents.bottom() - captionBounds.height() + 1;
    const QRect captionRect(contents.left(), captionTop, contents.width(), captionBounds.height());
    const QRect pictureArea(contents.left(), contents.top(), contents.width(),
                            captionRect.top() - contents.top());

    if (!m_picture.isNull() && pictureArea.height() > 0) {
        const QPixmap &pixmap = m_picture.pixmap(devicePixelRatioF());
        const QSize size = pixmap.deviceIndependentSize().toSize();
        const QPoint topLeft(pictureArea.center().x() - size.width() / 2 + 1,
                             pictureArea.center().y() - size.height() / 2 + 1);
        painter.save();
        painter.setClipRect(pictureArea);
        painter.drawPixmap(topLeft + QPoint(pressedShift, pressedShift), pixmap);
        painter.restore();
    }

    QPalette palette = option.palette;
    painter.drawItemText(captionRect.translated(pressedShift, pressedShift), flags, palette,
                         isEnabled(), text(), QPalette::ButtonText);

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = captionRect.adjusted(-1, 0, 1, 0).translated(pressedShift, pressedShift);
        focus.backgroundColor = m_backColor;
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

// ---- ListModel ----

int ListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant ListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || size_t(index.row()) >= m_rows.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole || role == Qt::AccessibleTextRole)
        return m_rows[size_t(index.row())];
    return {};
}

void ListModel::append(const QString &text)
{
    const int row = int(m_rows.size());
    beginInsertRows({}, row, row);
    m_rows.push_back(text);
    endInsertRows();
}

void ListModel::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

// ---- SortedListModel ----

int SortedListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(settledCount());
}

QVariant SortedListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || size_t(index.row()) >= settledCount())
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

bool SortedListModel::add(const QString &text)
{
    if (m_sorted) {
        m_texts.push_back(text);
        return true;
    }
    const int row = int(m_texts.size());
    beginInsertRows({}, row, row);
    m_texts.push_back(text);
    endInsertRows();
    return false;
}

static std::vector<quint32> sortedPlaces(const std::vector<QString> &texts, size_t first);

bool SortedListModel::settle()
{
    if (!hasPending())
        return false;
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
    return true;
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

// ---- LookupCombo ----

LookupCombo::LookupCombo(ComboBox *owner, QWidget *parent)
    : QComboBox(parent), m_owner(owner)
{
}

void LookupCombo::showPopup()
{
    if (!m_owner)
        return;
    m_owner->settle();
    if (m_owner->m_dropDown)
        RaiseEvent(m_owner->m_dropDown);
    if (isEnding())
        return;
    QComboBox::showPopup();
}

bool LookupCombo::event(QEvent *event)
{
    // Whatever the user does with the list, it sees every entry added so far.
    if (m_owner)
        m_owner->settle();
    return QComboBox::event(event);
}

void LookupCombo::wheelEvent(QWheelEvent *event)
{
    // The wheel over a closed list would pick entries while the user only scrolls past it.
    event->ignore();
}

} // namespace forms::detail
