// The Qt window behind a form. Internal to the forms runtime.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

namespace forms::detail {

// A top-level window that paints its back colour and picture itself, hands its close box to
// the form above it, and owns that form: the form goes when the window is destroyed, before
// the window's controls, which the form's own controls still refer to.
class FormWindow : public QWidget
{
    Q_OBJECT
public:
    // closeRequested: what the close box (or the system menu's Close) does; the window stays
    // as it is until that takes it away.
    explicit FormWindow(std::function<void()> closeRequested);
    ~FormWindow() override;

    // From now on the window owns owned and destroys it first, before its own child widgets.
    template<typename T>
    void own(T *owned)
    {
        m_owned = {owned, [](void *p) { delete static_cast<T *>(p); }};
    }

    void setBackColor(const QColor &color);
    const QColor &backColor() const { return m_backColor; }
    void setPicture(const QString &resource);

protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    std::function<void()> m_closeRequested;
    std::unique_ptr<void, void (*)(void *)> m_owned{nullptr, [](void *) {}};
    QColor m_backColor;
    QString m_picture;
};

} // namespace forms::detail
