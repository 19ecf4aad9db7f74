// The command button's widget. Internal to the forms runtime.
#pragma once

#include <QColor>
#include <QPushButton>
#include <QString>

namespace forms::detail {

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

} // namespace forms::detail
