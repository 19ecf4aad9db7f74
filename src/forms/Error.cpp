#include "Error.h"

namespace forms {

Error::Error(int number, QString description)
    : m_number(number),
      m_description(std::move(description)),
      m_what(QStringLiteral("Error %1: %2").arg(number).arg(m_description).toStdString())
{
}

Error::Error(ErrorNumber number) : Error(number, standardDescription(number)) {}

QString Error::standardDescription(int number)
{
    switch (number) {
    case ErrInvalidCall:
        return QStringLiteral("Invalid procedure call or argument");
    case ErrOverflow:
        return QStringLiteral("Overflow");
    case ErrListFull:
        return QStringLiteral("The list is full: it holds at most 32767 entries");
    case ErrTypeMismatch:
        return QStringLiteral("Type mismatch");
    case ErrNoSuchElement:
        return QStringLiteral("Control array element does not exist");
    case ErrInvalidIndex:
        return QStringLiteral("Invalid property array index");
    default:
        return QStringLiteral("Application-defined or object-defined error");
    }
}

} // namespace forms
