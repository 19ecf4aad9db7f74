// The one error type of the forms runtime.
//
// Every runtime operation either succeeds or throws a forms::Error carrying a number and a
// message. A handler that traps errors catches forms::Error itself; an error that no handler
// traps is caught where the runtime raised the event (see Events.h), reported to the user and
// ends the program. No exception ever leaves a handler into Qt's event loop.
#pragma once

#include <QString>

#include <exception>
#include <string>

namespace forms {

// The error numbers the runtime raises. An untrapped exception that is no forms::Error is
// reported as error 7 when memory ran out, else as 51, an internal error (Events.cpp).
enum ErrorNumber : int {
    ErrInvalidCall = 5, // an argument outside what the operation accepts
    ErrOverflow = 6, // an integer result or narrowing left its type's range
    ErrListFull = 7, // a list that already holds the most entries it can
    ErrTypeMismatch = 13, // a text that is not a number where a number is needed
    ErrNoSuchElement = 340, // a control-array index without a member
    ErrInvalidIndex = 381, // a list index that the list does not hold
};

class Error : public std::exception
{
public:
    Error(int number, QString description);
    explicit Error(ErrorNumber number); // with the runtime's standard message

    int Number() const noexcept { return m_number; }
    const QString &Description() const noexcept { return m_description; }
    const char *what() const noexcept override { return m_what.c_str(); }

    // The standard message for one of the runtime's own error numbers.
    static QString standardDescription(int number);

private:
    int m_number;
    QString m_description;
    std::string m_what;
};

} // namespace forms
