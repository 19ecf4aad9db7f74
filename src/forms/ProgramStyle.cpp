#include "ProgramStyle_p.h"

#include "Contrast_p.h"
#include "FormWindow_p.h"

#include <QPainter>
#include <QStyleOptionComboBox>

namespace forms::detail {

namespace {

// Of the desktop's highlight, black and white, the first that stands out 3:1 against every
// colour given, else the one that stands out most.
QColor standingOut(const QPalette &palette, std::initializer_list<QColor> beside)
{
    QColor best;
    double bestWorst = 0;
    for (const QColor &candidate :
         {palette.color(QPalette::Highlight), QColor(Qt::black), QColor(Qt::white)}) {
        double worst = 21;
        for (const QColor &colour : beside)
            worst = std::min(worst, contrast(candidate, colour));
        if (worst >= 3.0)
            return candidate;
        if (worst > bestWorst) {
            bestWorst = worst;
            best = candidate;
        }
    }
    return best;
}

// A focus ring along the inside of rect, between the colour around the control and its face.
void drawFocusRing(QPainter *painter, const QRect &rect, const QPalette &palette,
                   const QColor &around, const QColor &face)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setBrush(Qt::NoBrush);
    const QColor both = standingOut(palette, {around, face});
    if (contrast(both, around) >= 3.0 && contrast(both, face) >= 3.0) {
        painter->setPen(both);
        painter->drawRect(rect.adjusted(0, 0, -1, -1));
        painter->drawRect(rect.adjusted(1, 1, -2, -2));
    } else {
        painter->setPen(standingOut(palette, {around}));
        painter->drawRect(rect.adjusted(0, 0, -1, -1));
        painter->setPen(standingOut(palette, {face}));
        painter->drawRect(rect.adjusted(1, 1, -2, -2));
    }
    painter->restore();
}

// The colour a control stands on: its window's fixed background, else the desktop's.
QColor colourAround(const QWidget *widget, const QStyleOption *option)
{
    if (widget) {
        if (auto *form = qobject_cast<const FormWindow *>(widget->window());
            form && form->backColor().isValid())
            return form->backColor();
    }
    return option->palette.color(QPalette::Window);
}

bool showsKeyboardFocus(const QStyleOption *option)
{
    return (option->state & QStyle::State_HasFocus)
            && (option->state & QStyle::State_KeyboardFocusChange);
}

} // namespace

int ProgramStyle::styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                            QStyleHintReturn *returnData) const
{
    if (hint == SH_UnderlineShortcut)
        return 1;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

void ProgramStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option,
                                 QPainter *painter, const QWidget *widget) const
{
    switch (element) {
    case PE_FrameLineEdit:
    case PE_PanelButtonCommand: {
        // The style's own focus outline goes; the ring takes its place.
        const bool focused = element == PE_FrameLineEdit ? bool(option->state & State_HasFocus)
                                                         : showsKeyboardFocus(option);
        if (!focused)
            break;
        QStyleOption plain(*option);
        plain.state &= ~State_HasFocus;
        QProxyStyle::drawPrimitive(element, &plain, painter, widget);
        drawFocusRing(painter, option->rect, option->palette, colourAround(widget, option),
                      option->palette.color(element == PE_FrameLineEdit ? QPalette::Base
                                                                        : QPalette::Button));
        return;
    }
    default:
        break;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void ProgramStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                                      QPainter *painter, const QWidget *widget) const
{
    if (control == CC_ComboBox && showsKeyboardFocus(option)) {
        if (const auto *box = qstyleoption_cast<const QStyleOptionComboBox *>(option)) {
            QStyleOptionComboBox plain(*box);
            plain.state &= ~State_HasFocus;
            QProxyStyle::drawComplexControl(control, &plain, painter, widget);
            drawFocusRing(painter, option->rect, option->palette, colourAround(widget, option),
                          option->palette.color(box->editable ? QPalette::Base : QPalette::Button));
            return;
        }
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

} // namespace forms::detail
