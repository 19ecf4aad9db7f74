#include "FormWindow_p.h"

#include "Pictures_p.h"

#include <QCloseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace forms::detail {

FormWindow::FormWindow(std::function<void()> closeRequested)
    : m_closeRequested(std::move(closeRequested))
{
}

FormWindow::~FormWindow()
{
    m_owned.reset();
}

void FormWindow::setPicture(const QString &resource)
{
    m_picture = resource;
    update();
}

void FormWindow::setBackColor(const QColor &color)
{
    m_backColor = color;
    // The window paints all of itself; Qt need not clear it first.
    setAttribute(Qt::WA_OpaquePaintEvent, color.isValid());
    update();
}

void FormWindow::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    if (m_backColor.isValid())
        painter.fillRect(event->rect(), m_backColor);
    if (!m_picture.isEmpty())
        painter.drawPixmap(0, 0, picture(m_picture, devicePixelRatioF()));
}

void FormWindow::closeEvent(QCloseEvent *event)
{
    // The window goes away when the form above it says so.
    event->ignore();
    if (m_closeRequested)
        m_closeRequested();
}

} // namespace forms::detail
