// The Qt widgets behind the windows and controls. Internal to the forms runtime.
#pragma once

#include "Controls.h"
#include "Form.h"

#include <QComboBox>
#include <QPixmap>
#include <QPushButton>
#include <QWidget>

namespace forms::detail {

// The text colour that reads on a background the program fixes: black on a light one, as the
// classic design has it, white on a dark one.
QColor textColorOn(const QColor &background);

// A picture from the program's resources at the given device-pixel ratio: the "@2x" drawing
// where there is one and the display is dense, so that the logical size stays the same.
QPixmap loadPicture(const QString &resource, qreal devicePixelRatio);

// A picture that is loaded when first drawn and again when the device-pixel ratio changes.
class CachedPicture
{
public:
    void setResource(const QString &resource);
    bool isNull() const { return m_resource.isEmpty(); }
    const QPixmap &pixmap(qreal devicePixelRatio);

private:
    QString m_resource;
    QPixmap m_pixmap;
    qreal m_ratio = 0;
};

class FormWindow : public QWidget
{
    Q_OBJECT
public:
    explicit FormWindow(Form *form);
    void setBackColor(const QColor &color);
    void setPicture(const QString &resource);

protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    Form *m_form;
    QColor m_backColor;
    CachedPicture m_picture;
};

class PictureButton : public QPushButton
{
    Q_OBJECT
public:
    explicit PictureButton(QWidget *parent);
    void setGraphical(bool graphical);
    void setBackColor(const QColor &color);
    void setPicture(const QString &resource);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void applyBackColor();

    bool m_graphical = false;
    QColor m_backColor = Qt::white;
    CachedPicture m_picture;
};

class LookupCombo : public QComboBox
{
    Q_OBJECT
public:
    LookupCombo(ComboBox *owner, QWidget *parent);
    void showPopup() override;
    // The control is going away before its widget.
    void detachOwner() { m_owner = nullptr; }

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    ComboBox *m_owner;
    bool m_watchingPopup = false;
};

} // namespace forms::detail
