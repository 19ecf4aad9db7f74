#include "Accessibility.h"

#include "Widgets.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>

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

// A form window: a top-level window named by its caption whose children are its shown controls.
class AccessibleFormWindow : public QAccessibleWidget
{
public:
    explicit AccessibleFormWindow(QWidget *window) : QAccessibleWidget(window, QAccessible::Window)
    {
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

// A lookup list: named by its label whatever its edit field holds, the edit field as its value,
// and as children the list of entries and the edit field, as Qt's own combo box has them.
class AccessibleLookupList : public QAccessibleWidget
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

QAccessibleInterface *describe(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    if (className == QLatin1StringView(LookupCombo::staticMetaObject.className()))
        return new AccessibleLookupList(widget);
    if (className == QLatin1StringView(FormWindow::staticMetaObject.className()))
        return new AccessibleFormWindow(widget);
    return nullptr;
}

} // namespace

void installAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(describe);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace forms::detail
