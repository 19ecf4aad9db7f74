// Contrast between colours, as the guidelines for accessible contrast measure it. Internal to the
// forms runtime; it needs no widgets.
#pragma once

#include <QColor>

namespace forms::detail {

// The contrast ratio of two colours, from 1 (the same) to 21 (black on white).
double contrast(const QColor &a, const QColor &b);

// The text colour that reads on a background the program fixes: black on a light one, as the
// classic design has it, white on a dark one.
QColor textColorOn(const QColor &background);

} // namespace forms::detail
