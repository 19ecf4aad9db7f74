#include "Widgets_p.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QHash>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QShortcutEvent>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStylePainter>

#include <cmath>

namespace forms::detail {

// Relative luminance as the guidelines for accessible contrast define it.
static float luminance(const QColor &c)
{
    auto channel = [](float v) {
        return v <= 0.03928f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f);
    };
    return 0.2126f * channel(c.redF()) + 0.7152f * channel(c.greenF()) + 0.0722f * channel(c.blueF());
}

QColor textColorOn(const QColor &background)
{
    // Black wins the contrast for a background above about 0.18, white below.
    return luminance(background) > 0.179f ? QColor(Qt::black) : QColor(Qt::white);
}

// ---- the style ----

namespace {

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Of the desktop's highlight, black and white, the first that stands out 3:1 against every
// colour given, else the one that stands out most.
QColor standingOut(const QPalette &palette, std::initializer_list<QColor> beside)
{
    QColor best;
    double bestWorst = 0;
    for (const QColor &candidate :
         {palette.color(QPalette::Highlight), QColor(Qt::black), QColor(Qt::white)}) {
        double worst = 21;
        for (const QColor &colour : beside)
            worst = std::min(worst, contrast(candidate, colour));
        if (worst >= 3.0)
            return candidate;
        if (worst > bestWorst) {
            bestWorst = worst;
            best = candidate;
        }
    }
    return best;
}

// A focus ring along the inside of rect, between the colour around the control and its face.
void drawFocusRing(QPainter *painter, const QRect &rect, const QPalette &palette,
                   const QColor &around, const QColor &face)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setBrush(Qt::NoBrush);
    const QColor both = standingOut(palette, {around, face});
    if (contrast(both, around) >= 3.0 && contrast(both, face) >= 3.0) {
        painter->setPen(both);
        painter->drawRect(rect.adjusted(0, 0, -1, -1));
        painter->drawRect(rect.adjusted(1, 1, -2, -2));
    } else {
        painter->setPen(standingOut(palette, {around}));
        painter->drawRect(rect.adjusted(0, 0, -1, -1));
        painter->setPen(standingOut(palette, {face}));
        painter->drawRect(rect.adjusted(1, 1, -2, -2));
    }
    painter->restore();
}

// The colour a control stands on: its window's fixed background, else the desktop's.
QColor colourAround(const QWidget *widget, const QStyleOption *option)
{
    if (widget) {
        if (auto *form = qobject_cast<const FormWindow *>(widget->window());
            form && form->backColor().isValid())
            return form->backColor();
    }
    return option->palette.color(QPalette::Window);
}

bool showsKeyboardFocus(const QStyleOption *option)
{
    return (option->state & QStyle::State_HasFocus)
            && (option->state & QStyle::State_KeyboardFocusChange);
}

} // namespace

int ProgramStyle::styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                            QStyleHintReturn *returnData) const
{
    if (hint == SH_UnderlineShortcut)
        return 1;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

void ProgramStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option,
                                 QPainter *painter, const QWidget *widget) const
{
    switch (element) {
    case PE_FrameLineEdit:
    case PE_PanelButtonCommand: {
        // The style's own focus outline goes; the ring takes its place.
        const bool focused = element == PE_FrameLineEdit ? bool(option->state & State_HasFocus)
                                                         : showsKeyboardFocus(option);
        if (!focused)
            break;
        QStyleOption plain(*option);
        plain.state &= ~State_HasFocus;
        QProxyStyle::drawPrimitive(element, &plain, painter, widget);
        drawFocusRing(painter, option->rect, option->palette, colourAround(widget, option),
                      option->palette.color(element == PE_FrameLineEdit ? QPalette::Base
                                                                        : QPalette::Button));
        return;
    }
    default:
        break;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void ProgramStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                                      QPainter *painter, const QWidget *widget) const
{
    if (control == CC_ComboBox && showsKeyboardFocus(option)) {
        if (const auto *box = qstyleoption_cast<const QStyleOptionComboBox *>(option)) {
            QStyleOptionComboBox plain(*box);
            plain.state &= ~State_HasFocus;
            QProxyStyle::drawComplexControl(control, &plain, painter, widget);
            drawFocusRing(painter, option->rect, option->palette, colourAround(widget, option),
                          option->palette.color(box->editable ? QPalette::Base
                                                              : QPalette::Button));
            return;
        }
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

// ---- pictures ----

namespace {

// Decoded pictures by file, kept until the application object goes.
QHash<QString, QPixmap> &pictures()
{
    static QHash<QString, QPixmap> decoded = [] {
        qAddPostRoutine([] { pictures().clear(); });
        return QHash<QString, QPixmap>();
    }();
    return decoded;
}

// The format comes from the file's name: Qt's own detection would first offer the file to every
// installed image plugin, which for one bitmap loads a dozen plugins and their libraries.
QPixmap decoded(const QString &file)
{
    auto known = pictures().constFind(file);
    if (known != pictures().cend())
        return *known;
    QPixmap pixmap;
    if (QFile::exists(file)) {
        QImageReader reader(file, QFileInfo(file).suffix().toLower().toLatin1());
        reader.setAutoDetectImageFormat(false);
        pixmap = QPixmap::fromImage(reader.read());
        if (file.contains(QLatin1String("@2x.")))
            pixmap.setDevicePixelRatio(2.0); // drawn at half its size in pixels
    }
    return pictures().insert(file, pixmap).value();
}

} // namespace

QPixmap picture(const QString &resource, qreal devicePixelRatio)
{
    if (devicePixelRatio > 1.0) {
        const qsizetype dot = resource.lastIndexOf(QLatin1Char('.'));
        const QPixmap dense = decoded(resource.left(dot) + QLatin1String("@2x") + resource.mid(dot));
        if (!dense.isNull())
            return dense;
    }
    return decoded(resource);
}

QIcon icon(const QString &resource)
{
    static QHash<QString, QIcon> icons = [] {
        qAddPostRoutine([] { icons.clear(); });
        return QHash<QString, QIcon>();
    }();
    auto known = icons.constFind(resource);
    if (known == icons.cend())
        known = icons.insert(resource, QIcon(resource));
    return *known;
}

int valueLength(const QLineEdit *edit)
{
    const QString text = edit->text();
    qsizetype length = text.size();
    if (!edit->isModified()) {
        while (length > 0 && text.at(length - 1) == QLatin1Char(' '))
            --length;
    }
    return int(length);
}

void keepSelectionInValue(QLineEdit *edit)
{
    QObject::connect(edit, &QLineEdit::selectionChanged, edit, [edit] {
        if (!edit->hasSelectedText())
            return;
        const int start = edit->selectionStart();
        const int end = edit->selectionEnd();
        const int value = valueLength(edit);
        if (end <= value)
            return;
        if (start >= value)
            edit->deselect();
        else
            edit->setSelection(start, value - start);
    });
}

FormWindow::FormWindow(Form *form) : m_form(form) {}

FormWindow::~FormWindow()
{
    // Unloading destroys the window (deleteLater), and the window its form; a form destroyed
    // otherwise destroys its window itself.
    if (m_form && m_form->m_window == this) {
        m_form->m_window = nullptr;
        delete m_form;
    }
}

void FormWindow::setPicture(const QString &resource)
{
    m_picture = resource;
    update();
}

void FormWindow::setBackColor(const QColor &color)
{
    m_backColor = color;
    // The window paints all of itself; Qt need not clear it first.
    setAttribute(Qt::WA_OpaquePaintEvent, color.isValid());
    update();
}

void FormWindow::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    if (m_backColor.isValid())
        painter.fillRect(event->rect(), m_backColor);
    if (!m_picture.isEmpty())
        painter.drawPixmap(0, 0, picture(m_picture, devicePixelRatioF()));
}

void FormWindow::closeEvent(QCloseEvent *event)
{
    // The window goes away through Unload, which asks Form_QueryUnload first and hides it.
    event->ignore();
    Form *form = m_form;
    RaiseEvent([form] { Unload(*form, vbFormControlMenu); });
}

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
    painter.drawItemText(captionRect.translated(pressedShift, pressedShift), flags,
                         option.palette, isEnabled(), text(), QPalette::ButtonText);
}

LookupCombo::LookupCombo(QWidget *parent) : QComboBox(parent) {}

void LookupCombo::showPopup()
{
    emit entriesNeeded();
    emit aboutToOpen();
    if (hasEnded())
        return;
    if (!m_watchingPopup) {
        // Installed last, so it sees the open list's keys before the combo box's own filter.
        view()->installEventFilter(this);
        m_watchingPopup = true;
    }
    QComboBox::showPopup();
}

// Alt+Up opens and closes the list, as F4 and Alt+Down do; on a closed list Qt would take it
// for Up and pick the entry above without the list ever opening.
static bool isAltUp(const QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<const QKeyEvent *>(event);
    return key->key() == Qt::Key_Up && (key->modifiers() & Qt::AltModifier);
}

void LookupCombo::keyPressEvent(QKeyEvent *event)
{
    if (isAltUp(event))
        showPopup();
    else
        QComboBox::keyPressEvent(event);
}

static bool isEnter(const QEvent *event)
{
    const int key = static_cast<const QKeyEvent *>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

bool LookupCombo::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != view())
        return QComboBox::eventFilter(watched, event);
    if (isAltUp(event)) {
        hidePopup();
        return true;
    }
    // Qt's open list picks when Enter is offered to it as a shortcut, which happens before the
    // key is pressed: before a screen reader has had the key and perhaps claimed it (its Where
    // Am I is the keypad's Enter). Here the offer is taken as a wish for the key itself, and the
    // list picks when the key press arrives, which it does only if no screen reader claims it.
    // A press that arrives after the list has closed (a screen reader's late answer) picks
    // nothing.
    if (event->type() == QEvent::ShortcutOverride && isEnter(event) && !m_picking) {
        event->accept();
        return true;
    }
    if (event->type() == QEvent::KeyPress && isEnter(event)) {
        if (view()->isVisible()) {
            const auto *key = static_cast<QKeyEvent *>(event);
            QKeyEvent pick(QEvent::ShortcutOverride, key->key(), key->modifiers());
            m_picking = true;
            QCoreApplication::sendEvent(view(), &pick);
            m_picking = false;
        }
        return true;
    }
    return QComboBox::eventFilter(watched, event);
}

bool LookupCombo::event(QEvent *event)
{
    // Whatever the user does with the list, or draws of it, sees every entry added so far.
    emit entriesNeeded();
    return QComboBox::event(event);
}

void LookupCombo::wheelEvent(QWheelEvent *event)
{
    // The wheel over a closed list would pick entries while the user only scrolls past it.
    event->ignore();
}

} // namespace forms::detail
