#include "Text.h"

#include <algorithm>
#include <limits>

namespace forms {

QStringView MidView(const String &text, Long start)
{
    if (start < 1)
        throw Error(ErrInvalidCall);
    if (start > text.size())
        return QStringView();
    return QStringView(text).mid(start - 1);
}

String Mid(const String &text, Long start)
{
    return MidView(text, start).toString();
}

bool IsBlank(const String &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c == QLatin1Char(' '); });
}

String Space(Long n)
{
    if (n < 0)
        throw Error(ErrInvalidCall);
    return String(n, QLatin1Char(' '));
}

String CStr(Long value)
{
    return String::number(value);
}

Long CLng(const String &text)
{
    auto isBlank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    qsizetype pos = 0;
    qsizetype end = text.size();
    while (pos < end && isBlank(text.at(pos)))
        ++pos;
    while (end > pos && isBlank(text.at(end - 1)))
        --end;

    bool negative = false;
    if (pos < end && (text.at(pos) == QLatin1Char('+') || text.at(pos) == QLatin1Char('-'))) {
        negative = text.at(pos) == QLatin1Char('-');
        ++pos;
    }
    if (pos == end)
        throw Error(ErrTypeMismatch);

    // Accumulate as a negative number so that -2147483648 fits.
    constexpr std::int64_t lowest = std::numeric_limits<Long>::min();
    std::int64_t value = 0;
    bool overflow = false;
    for (; pos < end; ++pos) {
        const QChar c = text.at(pos);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            throw Error(ErrTypeMismatch);
        if (!overflow) {
            value = value * 10 - (c.unicode() - u'0');
            overflow = value < lowest;
        }
    }
    if (overflow || (!negative && -value > std::numeric_limits<Long>::max()))
        throw Error(ErrOverflow);
    return static_cast<Long>(negative ? value : -value);
}

Integer CInt(Long value)
{
    if (value < std::numeric_limits<Integer>::min() || value > std::numeric_limits<Integer>::max())
        throw Error(ErrOverflow);
    return static_cast<Integer>(value);
}

} // namespace forms
