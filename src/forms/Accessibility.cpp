#include "Accessibility_p.h"

#include "FixedWidthValue_p.h"
#include "FormWindow_p.h"
#include "LookupCombo_p.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPointer>

namespace forms::detail {

namespace {

// The controls of a window that a screen reader is told about: the shown ones, in the order
// they were made.
QWidgetList presentedControls(const QWidget *window)
{
    QWidgetList controls;
    for (QObject *child : window->children()) {
        auto *widget = qobject_cast<QWidget *>(child);
        if (widget && !widget->isWindow() && !widget->isHidden())
            controls.append(widget);
    }
    return controls;
}

// What a window says besides its caption: the shown labels that name no control and that the
// program draws in a colour of their own to stand out, as the internal edition's red warning.
QString standingOutText(const QWidget *window)
{
    const QColor windowText = window->palette().color(QPalette::WindowText);
    QStringList texts;
    for (QWidget *control : presentedControls(window)) {
        auto *label = qobject_cast<QLabel *>(control);
        if (label && !label->buddy() && label->testAttribute(Qt::WA_SetPalette)
            && label->palette().color(QPalette::WindowText) != windowText)
            texts << label->text();
    }
    return texts.join(QLatin1String(". "));
}

#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
// Orca 48 does not say a window's description when it presents the window (Orca 43, with Qt
// 6.4, does), so where Qt can announce (6.8), the text that stands out is also announced each
// time the window becomes active.
class StandingOutAnnouncer : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::WindowActivate && QAccessible::isActive()) {
            const QString text = standingOutText(static_cast<QWidget *>(watched));
            if (!text.isEmpty()) {
                QAccessibleAnnouncementEvent announcement(watched, text);
                QAccessible::updateAccessibility(&announcement);
            }
        }
        return false;
    }
};
#endif

// A form window: a top-level window named by its caption whose children are its shown controls.
class AccessibleFormWindow : public QAccessibleWidget
{
public:
    explicit AccessibleFormWindow(QWidget *window) : QAccessibleWidget(window, QAccessible::Window)
    {
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        static StandingOutAnnouncer announcer;
        window->removeEventFilter(&announcer);
        window->installEventFilter(&announcer);
#endif
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Description && widget()->accessibleDescription().isEmpty())
            return standingOutText(widget());
        return QAccessibleWidget::text(t);
    }

    int childCount() const override { return int(presentedControls(widget()).size()); }

    QAccessibleInterface *child(int index) const override
    {
        const QWidgetList controls = presentedControls(widget());
        if (index < 0 || index >= controls.size())
            return nullptr;
        return QAccessible::queryAccessibleInterface(controls.at(index));
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (!child)
            return -1;
        auto *control = qobject_cast<QWidget *>(child->object());
        return control ? int(presentedControls(widget()).indexOf(control)) : -1;
    }
};

// A text box, or the edit field of a lookup list, read without the filler spaces that pad the
// program's fixed-width values: while a box holds what the program wrote into it, its trailing
// spaces are no part of what is read. What is read is the start of the box's text, so offsets
// are the box's own and editing through the interface works on the whole text. Once the user
// has typed into the box, the whole text is read, spaces and all.
// The box draws its text alike throughout: its attributes are one run over all of it (a run
// of no length would make a screen reader cut the text short where it starts).
class AccessibleTextBox : public QAccessibleWidget,
                          public QAccessibleTextInterface,
                          public QAccessibleEditableTextInterface
{
public:
    explicit AccessibleTextBox(QWidget *edit) : QAccessibleWidget(edit, QAccessible::EditableText)
    {
    }

    QLineEdit *edit() const { return static_cast<QLineEdit *>(widget()); }

    int readLength() const { return valueLength(edit()); }
    QString readText() const { return edit()->text().left(readLength()); }
    int clamped(int offset) const { return qBound(0, offset, readLength()); }

    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        if (t == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return readText();
        // A screen reader reads an empty box as its name alone, as if it had missed the text.
        if (t == QAccessible::Description && readLength() == 0
            && widget()->accessibleDescription().isEmpty())
            return QStringLiteral("blank");
        return QAccessibleWidget::text(t);
    }

    void setText(QAccessible::Text t, const QString &text) override
    {
        if (t == QAccessible::Value)
            edit()->setText(text);
        else
            QAccessibleWidget::setText(t, text);
    }

    // A lookup list's edit field is labelled by the list's label: a screen reader that follows
    // the field's text (after a pick, or while the user types) still knows which list it is in.
    QList<QPair<QAccessibleInterface *, QAccessible::Relation>>
    relations(QAccessible::Relation match) const override
    {
        auto found = QAccessibleWidget::relations(match);
        auto *list = qobject_cast<LookupCombo *>(widget()->parentWidget());
        if (list && (match & QAccessible::Label))
            found += QAccessible::queryAccessibleInterface(list)->relations(QAccessible::Label);
        return found;
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = true;
        s.readOnly = edit()->isReadOnly();
        s.selectableText = true;
        return s;
    }

    // ---- text ----

    QString text(int startOffset, int endOffset) const override
    {
        return startOffset > endOffset ? QString()
                                       : readText().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return readLength(); }
    int cursorPosition() const override { return clamped(edit()->cursorPosition()); }
    void setCursorPosition(int position) override { edit()->setCursorPosition(position); }

    QString attributes(int, int *startOffset, int *endOffset) const override
    {
        *startOffset = 0;
        *endOffset = readLength();
        return QString();
    }

    int selectionCount() const override
    {
        int start = 0;
        int end = 0;
        selection(0, &start, &end);
        return start < end ? 1 : 0;
    }
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = 0;
        if (selectionIndex != 0 || !edit()->hasSelectedText())
            return;
        const int start = edit()->selectionStart();
        *startOffset = clamped(start);
        *endOffset = clamped(start + int(edit()->selectedText().size()));
    }
    void addSelection(int startOffset, int endOffset) override
    {
        setSelection(0, startOffset, endOffset);
    }
    void removeSelection(int selectionIndex) override
    {
        if (selectionIndex == 0)
            edit()->deselect();
    }
    void setSelection(int selectionIndex, int startOffset, int endOffset) override
    {
        if (selectionIndex == 0)
            edit()->setSelection(startOffset, endOffset - startOffset);
    }

    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                             int *startOffset, int *endOffset) const override
    {
        return QAccessibleTextInterface::textBeforeOffset(atCursor(offset), boundaryType,
                                                          startOffset, endOffset);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                            int *startOffset, int *endOffset) const override
    {
        return QAccessibleTextInterface::textAfterOffset(atCursor(offset), boundaryType,
                                                         startOffset, endOffset);
    }
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                         int *endOffset) const override
    {
        return QAccessibleTextInterface::textAtOffset(atCursor(offset), boundaryType, startOffset,
                                                      endOffset);
    }

    QRect characterRect(int offset) const override
    {
        if (offset < 0 || offset >= readLength())
            return QRect();
        // Where the text starts, scrolled as the box shows it: the cursor's place less the
        // width of the text before the cursor.
        const QString whole = edit()->text();
        const QFontMetrics metrics(edit()->font());
        const QRect cursor = edit()->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        const int origin =
                cursor.x() - metrics.horizontalAdvance(whole.left(edit()->cursorPosition()));
        const QRect rect(origin + metrics.horizontalAdvance(whole.left(offset)), cursor.y(),
                         metrics.horizontalAdvance(whole.at(offset)), metrics.height());
        return rect.translated(edit()->mapToGlobal(QPoint(0, 0)));
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        return clamped(edit()->cursorPositionAt(edit()->mapFromGlobal(point)));
    }
    void scrollToSubstring(int startIndex, int endIndex) override
    {
        edit()->setCursorPosition(endIndex);
        edit()->setCursorPosition(startIndex);
    }

    // ---- editing, on the whole text ----

    void deleteText(int startOffset, int endOffset) override
    {
        edit()->setText(edit()->text().remove(startOffset, endOffset - startOffset));
    }
    void insertText(int offset, const QString &text) override
    {
        edit()->setText(edit()->text().insert(offset, text));
    }
    void replaceText(int startOffset, int endOffset, const QString &text) override
    {
        edit()->setText(edit()->text().replace(startOffset, endOffset - startOffset, text));
    }

private:
    // -2 stands for the cursor's place.
    int atCursor(int offset) const { return offset == -2 ? cursorPosition() : offset; }
};

// A lookup list: named by its label whatever its edit field holds, the edit field as its value,
// and as children the list of entries and the edit field, as Qt's own combo box has them.
class AccessibleLookupList : public QAccessibleWidget
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    ,
                             public QAccessibleAttributesInterface
#endif
{
public:
    explicit AccessibleLookupList(QWidget *combo) : QAccessibleWidget(combo, QAccessible::ComboBox)
    {
    }

    QComboBox *combo() const { return static_cast<QComboBox *>(widget()); }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return combo()->lineEdit() ? combo()->lineEdit()->text() : combo()->currentText();
        // The name: the accessible name the label gave, else the label's own caption.
        return QAccessibleWidget::text(t);
    }

#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    // The value once more, as the object attribute "valuetext", which a screen reader takes
    // before anything else. Qt's AT-SPI bridge never marks an edit field single-line, so Orca
    // 48 does not take the list's edit field for its entry, and would read the list's name as
    // its value: "Tevra editable combo box Tevra" for an empty Tevra list. (Qt 6.8 is the
    // first to pass attributes on; Orca 43, with Qt 6.4, reads the edit field.)
    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::AttributesInterface)
            return static_cast<QAccessibleAttributesInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QList<QAccessible::Attribute> attributeKeys() const override
    {
        return {QAccessible::Attribute::Custom};
    }
    QVariant attributeValue(QAccessible::Attribute key) const override
    {
        if (key != QAccessible::Attribute::Custom)
            return {};
        return QVariant::fromValue(
                QHash<QString, QString>{{QStringLiteral("valuetext"), text(QAccessible::Value)}});
    }
#endif

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = combo()->view() && combo()->view()->isVisible();
        s.editable = combo()->isEditable();
        return s;
    }

    int childCount() const override { return combo()->lineEdit() ? 2 : 1; }

    QAccessibleInterface *child(int index) const override
    {
        if (index == 0)
            return QAccessible::queryAccessibleInterface(combo()->view());
        if (index == 1 && combo()->lineEdit())
            return QAccessible::queryAccessibleInterface(combo()->lineEdit());
        return nullptr;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (!child || !child->object())
            return -1;
        if (child->object() == combo()->view())
            return 0;
        if (combo()->lineEdit() && child->object() == combo()->lineEdit())
            return 1;
        return -1;
    }

    QAccessibleInterface *childAt(int x, int y) const override
    {
        QLineEdit *edit = combo()->lineEdit();
        if (edit && edit->isVisible()
            && QRect(edit->mapToGlobal(QPoint(0, 0)), edit->size()).contains(x, y))
            return child(1);
        return nullptr;
    }

    // Opening the list goes the same way as the user's Alt+Down, so the window hears of it.
    QStringList actionNames() const override
    {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &actionName) override
    {
        if (actionName != showMenuAction() && actionName != pressAction()) {
            QAccessibleWidget::doAction(actionName);
            return;
        }
        if (!combo()->isVisible() || !combo()->isEnabled())
            return;
        QAbstractItemView *list = combo()->view();
        if (!list || !list->isVisible()) {
            combo()->showPopup();
        } else if (actionName == pressAction() && list->selectionModel()->hasSelection()) {
            // Pressing an open list picks the entry selected in it (an entry's Toggle action
            // selects it), the same way as Enter.
            list->setCurrentIndex(list->selectionModel()->selectedIndexes().constFirst());
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QCoreApplication::sendEvent(list, &enter);
        } else {
            combo()->hidePopup();
        }
    }

    QStringList keyBindingsForAction(const QString &actionName) const override
    {
        if (actionName == showMenuAction() || actionName == pressAction())
            return {QKeySequence(Qt::ALT | Qt::Key_Down).toString(QKeySequence::NativeText)};
        return QAccessibleWidget::keyBindingsForAction(actionName);
    }
};

// A text box or a list's edit field in one of the runtime's windows.
bool isRuntimeEdit(const QObject *object)
{
    auto *edit = qobject_cast<const QLineEdit *>(object);
    return edit && qobject_cast<const FormWindow *>(edit->window());
}

QAccessibleInterface *describe(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    if (className == QLatin1StringView(LookupCombo::staticMetaObject.className()))
        return new AccessibleLookupList(widget);
    if (className == QLatin1StringView(FormWindow::staticMetaObject.className()))
        return new AccessibleFormWindow(widget);
    if (className == QLatin1StringView(QLineEdit::staticMetaObject.className())
        && isRuntimeEdit(widget))
        return new AccessibleTextBox(widget);
    return nullptr;
}

// ---- the order in which a screen reader hears of changes ----
//
// A box that takes the focus tells of its caret and selection before Qt announces the focus,
// and a box that loses the focus tells that its selection went. A screen reader would read the
// new box's text before its name and announce the old box's lost selection. It reads a box
// that takes the focus as the box then is, so the caret and selection changes of a box reach
// it only once the focus has been announced there.
// An opened list is announced by Qt as a whole, without the entry that is current in it; the
// focus is announced on that entry instead.

QAccessible::UpdateHandler previousHandler = nullptr;
QPointer<QObject> announcedFocus;
int programTextChanges = 0;

void orderUpdates(QAccessibleEvent *event);

void passOn(QAccessibleEvent *event)
{
    if (previousHandler) {
        previousHandler(event);
        return;
    }
    // With no handler installed, Qt hands an event to the platform's accessibility bridge.
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(orderUpdates);
}

// The widget that holds the focus when widget is given it.
QObject *focusHolder(QWidget *widget)
{
    while (widget->focusProxy())
        widget = widget->focusProxy();
    return widget;
}

void orderUpdates(QAccessibleEvent *event)
{
    switch (event->type()) {
    case QAccessible::TableModelChanged:
        // Qt has applied it to the table's description before calling here; the bridges of
        // Linux and Windows pass it on to nobody, and passing it on would apply it twice.
        if (!previousHandler)
            return;
        break;
    case QAccessible::TextCaretMoved:
    case QAccessible::TextSelectionChanged:
        // The caret that the program's own text change moved is not the user's (the change
        // itself is told).
        if (programTextChanges > 0)
            return;
        // A window that has been closed tells nothing of its boxes: it is hidden at once and
        // destroyed later, and as it is destroyed (by then no runtime window) its boxes could
        // still report a caret, which a screen reader would take as where the user is.
        if (event->object() && event->object()->isWidgetType()
            && !static_cast<QWidget *>(event->object())->isVisible())
            return;
        if (isRuntimeEdit(event->object())
            && (announcedFocus != focusHolder(static_cast<QWidget *>(event->object()))
                || !static_cast<QWidget *>(event->object())->hasFocus()))
            return;
        break;
    case QAccessible::Focus:
        announcedFocus = event->object();
        if (auto *list = qobject_cast<QListView *>(event->object());
            list && event->child() < 0 && list->currentIndex().isValid()) {
            QAccessibleEvent entry(list, QAccessible::Focus);
            entry.setChild(list->currentIndex().row());
            passOn(&entry);
            return;
        }
        break;
    default:
        break;
    }
    passOn(event);
}

} // namespace

ProgramTextChange::ProgramTextChange()
{
    ++programTextChanges;
}

ProgramTextChange::~ProgramTextChange()
{
    --programTextChanges;
}

void announcePick(QWidget *list, const QString &name)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    // A pick puts the entry into the list's edit field, and the list's handler empties the
    // field again at once. Orca 43 says the entry that the field took; Orca 48 reads the field
    // only when it comes to the change, and finds it empty. So the pick is also announced, as
    // Qt 6.8 can (Orca 48 says announcements; Orca 43, with Qt 6.4, never gets one).
    if (!QAccessible::isActive() || name.isEmpty())
        return;
    QAccessibleAnnouncementEvent event(list, name);
    QAccessible::updateAccessibility(&event);
#else
    Q_UNUSED(list);
    Q_UNUSED(name);
#endif
}

void installAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(describe);
        // Qt's hook for the events on their way to the platform (its test library's, too).
        previousHandler = QAccessible::installUpdateHandler(orderUpdates);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace forms::detail
