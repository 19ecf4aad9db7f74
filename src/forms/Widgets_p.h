// The Qt widgets behind the windows and controls. Internal to the forms runtime.
#pragma once

#include "Form.h"

#include <QComboBox>
#include <QIcon>
#include <QLineEdit>
#include <QPixmap>
#include <QProxyStyle>
#include <QPushButton>
#include <QWidget>

namespace forms::detail {

// The text colour that reads on a background the program fixes: black on a light one, as the
// classic design has it, white on a dark one.
QColor textColorOn(const QColor &background);

// The desktop's style, with what the program owns on top of it:
// - access keys are shown underlined at all times, whatever the style prefers;
// - the keyboard focus is shown by a ring that stands out at least 3:1 (the guideline for
//   non-text contrast) against the colours beside it, on the buttons, lists and text boxes.
//   The windows fix some backgrounds (grey windows, white picture buttons) that the desktop's
//   colours know nothing of: its highlight can vanish on them (light cyan on white in a
//   high-contrast scheme). The ring takes the desktop's highlight where that stands out, else
//   black or white, and a second, inner line where no one colour stands out against both the
//   window's background and the control's face.
class ProgramStyle : public QProxyStyle
{
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                            QPainter *painter, const QWidget *widget) const override;
};

// A picture from the program's resources at the given device-pixel ratio: the "@2x" drawing
// where there is one and the display is dense, so that the logical size stays the same. Each
// picture and icon is read once per process, when first drawn, and kept: a search window is
// made anew for every category chosen.
QPixmap picture(const QString &resource, qreal devicePixelRatio);
QIcon icon(const QString &resource);

// How much of a text box's text is its value: while the box holds what the program wrote into
// it, the text without the trailing spaces that pad the program's fixed-width values; once the
// user has typed into it, all of it.
int valueLength(const QLineEdit *edit);

// Keeps a text box's selection within its value, so that what is copied, to the clipboard or
// to the selection, is the value the user sees and not its filler.
void keepSelectionInValue(QLineEdit *edit);

class FormWindow : public QWidget
{
    Q_OBJECT
public:
    explicit FormWindow(Form *form);
    ~FormWindow() override; // destroys its form, when unloading destroys the window first
    void setBackColor(const QColor &color);
    const QColor &backColor() const { return m_backColor; }
    void setPicture(const QString &resource);

protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    Form *m_form;
    QColor m_backColor;
    QString m_picture;
};

class PictureButton : public QPushButton
{
    Q_OBJECT
public:
    explicit PictureButton(QWidget *parent);
    // The picture style: the picture (if any) centred at its own size, the caption beneath, on
    // backColor. Without it the button is the desktop's own.
    void setPictureStyle(const QColor &backColor, const QString &picture);

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_backColor; // valid in the picture style
    QString m_picture;
};

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
