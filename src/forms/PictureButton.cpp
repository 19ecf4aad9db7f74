#include "PictureButton_p.h"

#include "Contrast_p.h"
#include "Pictures_p.h"

#include <QKeyEvent>
#include <QShortcutEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace forms::detail {

PictureButton::PictureButton(QWidget *parent) : QPushButton(parent)
{
    // A pressed button takes the focus once its press has been handled, as on Windows, where
    // its access key or a screen reader's press moves the focus there too: when a window that
    // the press opened closes, the focus comes back to the button. A press that closed the
    // button's own window leaves it be.
    connect(
            this, &QPushButton::clicked, this,
            [this] {
                if (isVisible())
                    setFocus(Qt::OtherFocusReason);
            },
            Qt::QueuedConnection);
}

// One press of a key is one action, however long the key is held: the key's repeats press
// nothing. (A held Enter would otherwise open and close a window over and over, once the
// window it opened puts its own button under the key.) Space presses when it is let go,
// which a held key's repeats are not.
bool PictureButton::event(QEvent *event)
{
    if (event->type() == QEvent::Shortcut)
        setShortcutAutoRepeat(static_cast<QShortcutEvent *>(event)->shortcutId(), false);
    return QPushButton::event(event);
}

void PictureButton::keyPressEvent(QKeyEvent *event)
{
    if (event->isAutoRepeat() && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter))
        return;
    QPushButton::keyPressEvent(event);
}

void PictureButton::setPictureStyle(const QColor &backColor, const QString &picture)
{
    // The face in the back colour, and the caption in the text colour that goes with it.
    m_backColor = backColor;
    m_picture = picture;
    QPalette palette;
    palette.setColor(QPalette::Button, backColor);
    palette.setColor(QPalette::Window, backColor);
    palette.setColor(QPalette::ButtonText, textColorOn(backColor));
    setPalette(palette);
    update();
}

void PictureButton::paintEvent(QPaintEvent *event)
{
    if (!m_backColor.isValid()) {
        QPushButton::paintEvent(event);
        return;
    }

    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    option.icon = QIcon();
    painter.drawControl(QStyle::CE_PushButtonBevel, option);

    const QRect contents = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    const int pressedShift = isDown() ? 1 : 0;
    const int flags = Qt::AlignHCenter | Qt::AlignBottom | Qt::TextWordWrap | Qt::TextShowMnemonic;

    // The caption sits at the bottom; the picture is centred in the room above it at its own
    // size, and whatever does not fit is cut off rather than scaled.
    // Without a picture the caption stands in the middle.
    const QRect captionBounds =
            fontMetrics().boundingRect(contents, flags, text()).intersected(contents);
    const int captionTop = m_picture.isEmpty()
            ? contents.top() + (contents.height() - captionBounds.height()) / 2
            : contents.bottom() - captionBounds.height() + 1;
    const QRect captionRect(contents.left(), captionTop, contents.width(), captionBounds.height());
    const QRect pictureArea(contents.left(), contents.top(), contents.width(),
                            captionRect.top() - contents.top());

    if (!m_picture.isEmpty() && pictureArea.height() > 0) {
        const QPixmap pixmap = picture(m_picture, devicePixelRatioF());
        const QSize size = pixmap.deviceIndependentSize().toSize();
        const QPoint topLeft(pictureArea.center().x() - size.width() / 2 + 1,
                             pictureArea.center().y() - size.height() / 2 + 1);
        painter.save();
        painter.setClipRect(pictureArea);
        painter.drawPixmap(topLeft + QPoint(pressedShift, pressedShift), pixmap);
        painter.restore();
    }

    // The keyboard focus shows as the ring the style draws around the face (ProgramStyle).
    painter.drawItemText(captionRect.translated(pressedShift, pressedShift), flags, option.palette,
                         isEnabled(), text(), QPalette::ButtonText);
}

} // namespace forms::detail
