// The program's style: the desktop's own, with what the program owns on top of it. Internal to the
// forms runtime.
#pragma once

#include <QProxyStyle>

namespace forms::detail {

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

} // namespace forms::detail
