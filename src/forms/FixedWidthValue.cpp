#include "FixedWidthValue_p.h"

#include <QLineEdit>

namespace forms::detail {

int valueLength(const QLineEdit *edit)
{
    const QString text = edit->text();
    qsizetype length = text.size();
    if (!edit->isModified()) {
        while (length > 0 && text.at(length - 1) == QLatin1Char(' '))
            --length;
    }
    return int(length);
}

void keepSelectionInValue(QLineEdit *edit)
{
    QObject::connect(edit, &QLineEdit::selectionChanged, edit, [edit] {
        if (!edit->hasSelectedText())
            return;
        const int start = edit->selectionStart();
        const int end = edit->selectionEnd();
        const int value = valueLength(edit);
        if (end <= value)
            return;
        if (start >= value)
            edit->deselect();
        else
            edit->setSelection(start, value - start);
    });
}

} // namespace forms::detail
