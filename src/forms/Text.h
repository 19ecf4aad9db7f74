// Texts, numbers and the text routines that the windows use.
//
// Texts are QStrings (16-bit characters); positions count from 1 as the windows' own
// descriptions do. Integer, Long and Single are the runtime's 16-bit, 32-bit and
// single-precision types. Every routine either returns its result or throws forms::Error:
//
//   Mid("ABCDEF", 3)        -> "CDEF"        Mid("AB", 5)         -> ""
//   Mid("AB", 0)            -> error 5       Space(3)             -> "   "
//   IsBlank("   ")          -> true          IsBlank(" A ")       -> false
//   CStr(-42)               -> "-42"         CLng(" 17 ")         -> 17
//   CLng("")                -> error 13      CLng("12a")          -> error 13
//   CLng("2147483648")      -> error 6       CInt(40000)          -> error 6
//   FixedString<4> f; f = "ABCDEF" -> "ABCD";  f = "AB" -> "AB  "
#pragma once

#include "Error.h"

#include <QString>
#include <QStringBuilder>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace forms {

using String = QString;
using Integer = std::int16_t;
using Long = std::int32_t;
using Single = float;

// The characters of text from the 1-based position start to its end. Empty past the end. A start
// below 1 raises error 5.
String Mid(const String &text, Long start);

// Mid(text, start) as a view into text rather than a copy, for reading a record's fields; the
// same errors. The view is valid as long as text is neither changed nor destroyed.
QStringView MidView(const String &text, Long start);

// The text is empty or holds nothing but spaces (the only blank that counts).
bool IsBlank(const String &text);

// n spaces; a negative n raises error 5. Texts are built from the routines' results with Qt's
// string builder, which makes one text of the pieces: `name % Space(60) % CStr(i)`.
String Space(Long n);

// Plain decimal: no leading blank, no leading zeros, a minus sign only when negative.
String CStr(Long value);

// A decimal number with an optional sign, blanks (space or tab) allowed around it. The empty
// text and anything that is not such a number raise error 13; a value beyond 32 bits error 6.
Long CLng(const String &text);

// Narrowing to 16 bits; a value outside -32768..32767 raises error 6.
Integer CInt(Long value);

// Integer arithmetic that raises error 6 instead of wrapping around.
template<typename T>
T CheckedAdd(T a, T b)
{
    T result;
    if (__builtin_add_overflow(a, b, &result))
        throw Error(ErrOverflow);
    return result;
}

template<typename T>
T CheckedSub(T a, T b)
{
    T result;
    if (__builtin_sub_overflow(a, b, &result))
        throw Error(ErrOverflow);
    return result;
}

// A text field of fixed width W: whatever is stored into it is cut to W characters or padded
// with spaces on the right, so it always holds exactly W characters.
template<int W>
class FixedString
{
public:
    FixedString() : m_value(W, QLatin1Char(' ')) {}
    FixedString &operator=(const String &text) { return *this = QStringView(text); }
    // Written in place: no new text is made unless the old value is shared.
    FixedString &operator=(QStringView text)
    {
        const qsizetype n = std::min<qsizetype>(text.size(), W);
        QChar *out = m_value.data();
        if (n > 0)
            std::memmove(out, text.data(), size_t(n) * sizeof(QChar)); // may be our own text
        std::fill(out + n, out + W, QLatin1Char(' '));
        return *this;
    }
    operator const String &() const { return m_value; }
    const String &value() const { return m_value; }

private:
    String m_value;
};

} // namespace forms
