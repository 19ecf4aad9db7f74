// The text routines on any text and any numbers: each result is checked against a reading of
// its own (a reference reading of decimals, substrings counted out character by character), and
// every routine either returns or raises exactly the error it documents.
//
// Input: a text (see fuzz::Input::text), then, little-endian, a start for Mid, a number for
// CStr, CInt and the checked sums, and a count of spaces.
#include "Common.h"
#include "FuzzSupport.h"

#include "forms/Text.h"

#include <algorithm>
#include <cstdint>
#include <string>

using namespace forms;
using fuzz::shown;

namespace {

// Plain decimal: "0", or an optional minus and digits without a leading zero.
bool isPlainDecimal(const QString &s)
{
    const qsizetype first = s.startsWith(u'-') ? 1 : 0;
    if (s.size() == first || (s.size() > first + 1 && s[first] == u'0') || s == u"-0")
        return false;
    for (qsizetype i = first; i < s.size(); ++i) {
        if (s[i] < u'0' || s[i] > u'9')
            return false;
    }
    return true;
}

void checkNumbers(const QString &text, Long value)
{
    const fuzz::Decimal expected = fuzz::readDecimal(text);
    Long read = 0;
    const int error = errorOf([&] { read = CLng(text); });
    switch (expected.kind) {
    case fuzz::Decimal::Number:
        FUZZ_CHECK(error == 0 && read == expected.value,
                   QStringLiteral("CLng(%1) should be %2").arg(shown(text)).arg(expected.value));
        break;
    case fuzz::Decimal::NotANumber:
        FUZZ_CHECK(error == ErrTypeMismatch,
                   QStringLiteral("CLng(%1) should raise 13, got error %2")
                           .arg(shown(text))
                           .arg(error));
        break;
    case fuzz::Decimal::TooLarge:
        FUZZ_CHECK(error == ErrOverflow,
                   QStringLiteral("CLng(%1) should raise 6, got error %2")
                           .arg(shown(text))
                           .arg(error));
        break;
    }

    for (const Long v : {value, read}) {
        const QString s = CStr(v);
        FUZZ_CHECK(s == QString::fromStdString(std::to_string(v)) && isPlainDecimal(s),
                   QStringLiteral("CStr(%1) gave %2").arg(v).arg(shown(s)));
        Long back = 0;
        FUZZ_CHECK(errorOf([&] { back = CLng(s); }) == 0 && back == v,
                   QStringLiteral("CLng(CStr(%1)) does not give it back").arg(v));

        Integer narrowed = 0;
        const int narrowing = errorOf([&] { narrowed = CInt(v); });
        const bool fits = v >= -32768 && v <= 32767;
        FUZZ_CHECK(fits ? narrowing == 0 && narrowed == v : narrowing == ErrOverflow,
                   QStringLiteral("CInt(%1) gave error %2").arg(v).arg(narrowing));
    }

    // The checked sums against the same sums in 64 bits.
    const std::int64_t sum = std::int64_t(value) + read;
    const std::int64_t difference = std::int64_t(value) - read;
    Long result = 0;
    int error2 = errorOf([&] { result = CheckedAdd(value, read); });
    FUZZ_CHECK(sum >= INT32_MIN && sum <= INT32_MAX ? error2 == 0 && result == sum
                                                    : error2 == ErrOverflow,
               QStringLiteral("CheckedAdd(%1, %2)").arg(value).arg(read));
    error2 = errorOf([&] { result = CheckedSub(value, read); });
    FUZZ_CHECK(difference >= INT32_MIN && difference <= INT32_MAX
                       ? error2 == 0 && result == difference
                       : error2 == ErrOverflow,
               QStringLiteral("CheckedSub(%1, %2)").arg(value).arg(read));
}

// Whether part is the characters of text from position start on, counted out one by one.
bool isCountedOut(QStringView part, const QString &text, Long start)
{
    qsizetype n = 0;
    for (std::int64_t i = std::int64_t(start) - 1; i < text.size(); ++i, ++n) {
        if (n >= part.size() || part[n] != text[qsizetype(i)])
            return false;
    }
    return n == part.size();
}

void checkMid(const QString &text, Long start)
{
    auto call = [&](const char *name, const QString &rest) {
        return QStringLiteral("%1(%2, %3%4)")
                .arg(QLatin1String(name), shown(text))
                .arg(start)
                .arg(rest);
    };
    QString part;
    int error = errorOf([&] { part = Mid(text, start); });
    FUZZ_CHECK(start < 1 ? error == ErrInvalidCall : error == 0 && isCountedOut(part, text, start),
               call("Mid", QString()));

    QStringView view;
    error = errorOf([&] { view = MidView(text, start); });
    FUZZ_CHECK(start < 1 ? error == ErrInvalidCall : error == 0 && isCountedOut(view, text, start),
               call("MidView", QString()));
    // A view stays inside the text it was made from.
    FUZZ_CHECK(view.isEmpty()
                       || (view.data() >= text.data()
                           && view.data() + view.size() <= text.data() + text.size()),
               call("MidView", QString()) + QStringLiteral(" points outside its text"));
}

bool allSpaces(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c == u' '; });
}

void checkBlanks(const QString &text, std::int16_t count)
{
    FUZZ_CHECK(IsBlank(text) == allSpaces(text), QStringLiteral("IsBlank(%1)").arg(shown(text)));

    QString spaces;
    const int error = errorOf([&] { spaces = Space(count); });
    FUZZ_CHECK(count < 0 ? error == ErrInvalidCall
                         : error == 0 && spaces.size() == count && allSpaces(spaces),
               QStringLiteral("Space(%1)").arg(count));
    // Changing one result leaves the next one alone.
    if (count > 0) {
        spaces[0] = u'x';
        const QString again = Space(count);
        FUZZ_CHECK(again.size() == count && allSpaces(again),
                   QStringLiteral("Space(%1) after a change to an earlier result").arg(count));
    }
}

// field holds exactly width characters: the first ones of text, then spaces.
template<typename Name>
void checkField(const QString &field, QStringView text, int width, Name &&name)
{
    const qsizetype kept = std::min<qsizetype>(text.size(), width);
    FUZZ_CHECK(
            field.size() == width && QStringView(field).left(kept) == text.left(kept)
                    && allSpaces(QStringView(field).mid(kept)),
            QStringLiteral("%1 of %2 gave %3").arg(name(), shown(text.toString()), shown(field)));
}

template<int W>
void checkFixedString(const QString &text, Long start)
{
    auto named = [](const char *how) {
        return [how] {
            return QStringLiteral("FixedString<%1> %2").arg(W).arg(QLatin1String(how));
        };
    };
    FixedString<W> field;
    checkField(field.value(), QStringView(), W, named("when new"));
    field = text;
    checkField(field.value(), text, W, named("given a text"));

    // A copy of the value keeps it when the field changes; a view of any text goes in, even
    // one of the field's own value.
    const QString copy = field.value();
    const QStringView tail =
            start >= 1 && start <= text.size() ? MidView(text, start) : QStringView(text);
    field = tail;
    checkField(field.value(), tail, W, named("given a view"));
    checkField(copy, text, W, named("copied before a change"));

    const QString before = field.value();
    field = MidView(field.value(), 1 + (start & 0xff) % W);
    checkField(field.value(), QStringView(before).mid((start & 0xff) % W), W,
               named("given a view of its own value"));
}

void checkFixed(const QString &text, Long start)
{
    checkFixedString<1>(text, start);
    checkFixedString<3>(text, start);
    checkFixedString<10>(text, start);
    checkFixedString<20>(text, start);
    checkFixedString<30>(text, start);
    checkFixedString<80>(text, start);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, size_t size)
{
    fuzz::Input in(data, size);
    const QString text = in.text();
    const Long start = in.int32();
    const Long value = in.int32();
    const std::int16_t count = in.int16();

    checkNumbers(text, value);
    const Long end = Long(text.size());
    for (const Long s :
         {start, Long(1), Long(81), end, end + 1, Long(0), Long(-1), INT32_MIN, INT32_MAX})
        checkMid(text, s);
    checkBlanks(text, count);
    checkFixed(text, start);
    return 0;
}
