#include "LookupCombo_p.h"

#include "Events.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QWheelEvent>

namespace forms::detail {

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
