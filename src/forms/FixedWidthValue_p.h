// The value in a text box that holds one of the program's fixed-width fields. Internal to the
// forms runtime.
#pragma once

class QLineEdit;

namespace forms::detail {

// How much of a text box's text is its value: while the box holds what the program wrote into
// it, the text without the trailing spaces that pad the program's fixed-width values; once the
// user has typed into it, all of it.
int valueLength(const QLineEdit *edit);

// Keeps a text box's selection within its value, so that what is copied, to the clipboard or
// to the selection, is the value the user sees and not its filler.
void keepSelectionInValue(QLineEdit *edit);

} // namespace forms::detail
