#include "LookupCombo_p.h"

#include "Events.h"
#include "ScreenReaderKeys_p.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QItemSelectionModel>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QWheelEvent>
#ifdef Q_OS_WIN
#  include <QPainter>
#  include <QPixmap>
#  include <QStyleOptionViewItem>
#endif

namespace forms::detail {

#if defined(Q_OS_WIN) && QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
// Windows' visual style draws an open list's highlight from a theme that Qt opens on a hidden
// helper window, made the first time an item view draws a highlight. Qt 6.4 left that window
// message-only; Qt 6.8 makes it a top-level window, and Wine activates it as it does: the first
// list to open takes the activation from its own window, is never drawn, and the keys after it
// go nowhere. One highlight drawn off screen as the first list is made, before its window
// shows, makes the helper while nothing is opening.
static void prepareHighlightTheme(const QWidget *list)
{
    static bool prepared = false;
    if (prepared)
        return;
    prepared = true;
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 8, 8);
    option.state = QStyle::State_Enabled | QStyle::State_Selected | QStyle::State_Active;
    option.showDecorationSelected = true;
    QPixmap pixmap(option.rect.size());
    QPainter painter(&pixmap);
    list->style()->drawPrimitive(QStyle::PE_PanelItemViewItem, &option, &painter, nullptr);
}
#endif

LookupCombo::LookupCombo(QWidget *parent) : QComboBox(parent)
{
#if defined(Q_OS_WIN) && QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    prepareHighlightTheme(this);
#endif
}

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
    // A list shows no entry as picked (its edit field is emptied after each pick), so Qt opens
    // it with no entry selected, and the list then makes its first entry current without
    // selecting it: Enter would pick an entry that is not highlighted, and a screen reader
    // says "not selected" of it. The entry current in the open list (the first where none is)
    // is selected, as the entry that Enter picks.
    QAbstractItemView *list = view();
    if (!isVisible() || !list->isVisible() || count() == 0)
        return;
    QModelIndex current = list->currentIndex();
    if (!current.isValid())
        current = model()->index(0, modelColumn());
    if (!list->selectionModel()->isSelected(current))
        list->selectionModel()->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect);
}

// F4, Alt+Down and Alt+Up open and close the list, and closing picks nothing: only Enter and a
// click pick. Qt's own list knows only the first two, and Qt 6.8 picks the highlighted entry
// when they close it (Qt 6.4 did not); on a closed list Qt would take Alt+Up for Up and pick the
// entry above without the list ever opening. Qt 6.8 acts on the open list's keys when they are
// offered as shortcuts, before they are pressed: the list claims the offer, and closes on the
// press.
static bool isOpenOrClose(const QEvent *event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return false;
    const auto *key = static_cast<const QKeyEvent *>(event);
    if (key->key() == Qt::Key_F4)
        return !(key->modifiers() & (Qt::AltModifier | Qt::ControlModifier));
    return (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)
            && (key->modifiers() & Qt::AltModifier);
}

void LookupCombo::keyPressEvent(QKeyEvent *event)
{
    if (isOpenOrClose(event))
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
    // While a screen reader listens, the open list leaves it the keys that may be its commands.
    // Qt holds the keyboard for an open list, so a screen reader that takes its keys from the
    // display server (Orca 48) hears of them but cannot keep them from the list: its Where Am I
    // would pick the entry it reads.
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)
        && QAccessible::isActive()
        && mayBeScreenReaderCommand(static_cast<const QKeyEvent *>(event)))
        return true;
    if (isOpenOrClose(event)) {
        if (event->type() == QEvent::KeyPress)
            hidePopup();
        else
            event->accept();
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
