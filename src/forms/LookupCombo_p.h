// The combo box's widget: a drop-down list with an edit field, as the lookup lists use it.
// Internal to the forms runtime.
#pragma once

#include <QComboBox>

namespace forms::detail {

class LookupCombo : public QComboBox
{
    Q_OBJECT
public:
    explicit LookupCombo(QWidget *parent);
    void showPopup() override;

signals:
    // Before anything uses the list: it must hold every entry added so far.
    void entriesNeeded();
    // The list is about to open (the DropDown event).
    void aboutToOpen();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    bool m_watchingPopup = false;
    bool m_picking = false; // Enter is being offered to the open list, to pick
};

} // namespace forms::detail
