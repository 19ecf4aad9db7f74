#include "ScreenReaderKeys_p.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QHash>
#include <QKeyEvent>

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
#    include <xcb/xcb.h>
#endif

namespace forms::detail {

namespace {

bool modifierHeld = false;
QHash<quint32, bool> pressedWithModifier; // by scan code; a synthesized key has none (0)

bool isScreenReaderModifier(const QKeyEvent *key)
{
    return key->key() == Qt::Key_CapsLock || key->key() == Qt::Key_Insert;
}

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
// The X server tells a window that loses or regains the keyboard because a program holds it
// (a grab) by the mode of the focus change.
class KeyboardHoldWatch : public QAbstractNativeEventFilter
{
public:
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override
    {
        if (eventType != "xcb_generic_event_t")
            return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_FOCUS_IN || type == XCB_FOCUS_OUT) {
            const uint8_t mode = reinterpret_cast<const xcb_focus_in_event_t *>(event)->mode;
            if (mode == XCB_NOTIFY_MODE_GRAB || mode == XCB_NOTIFY_MODE_UNGRAB)
                modifierHeld = false;
        }
        return false;
    }
};
#endif

} // namespace

void watchKeyboardHolds()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    static KeyboardHoldWatch watch;
    static const bool installed = [] {
        QCoreApplication::instance()->installNativeEventFilter(&watch);
        return true;
    }();
    Q_UNUSED(installed);
#endif
}

void noteKeyFromWindowSystem(const QKeyEvent *key)
{
    if (key->type() == QEvent::KeyPress) {
        if (key->nativeScanCode() != 0)
            pressedWithModifier.insert(key->nativeScanCode(),
                                       modifierHeld || isScreenReaderModifier(key));
        modifierHeld = modifierHeld || isScreenReaderModifier(key);
    } else if (key->type() == QEvent::KeyRelease && isScreenReaderModifier(key)) {
        modifierHeld = false;
    }
}

bool mayBeScreenReaderCommand(const QKeyEvent *key)
{
    return (key->modifiers() & Qt::KeypadModifier)
            || (key->nativeScanCode() != 0
                && pressedWithModifier.value(key->nativeScanCode(), false));
}

} // namespace forms::detail
