#include "Contrast_p.h"

#include <algorithm>
#include <cmath>

namespace forms::detail {

// Relative luminance: each channel taken from its gamma-encoded value to linear light (a
// straight line near black, a power curve above), then weighted as the eye sees them.
static double luminance(const QColor &c)
{
    auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor textColorOn(const QColor &background)
{
    // Black wins the contrast for a background above about 0.18, white below.
    return luminance(background) > 0.179 ? QColor(Qt::black) : QColor(Qt::white);
}

} // namespace forms::detail
