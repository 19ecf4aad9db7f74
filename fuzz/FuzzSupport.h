// Shared by the fuzzers: the Qt application on the offscreen platform in an environment of its
// own, reading texts and numbers from the fuzzer's bytes, a reference reading of decimal numbers,
// and how a fuzzer reports a broken rule.
#pragma once

#include "IsolatedEnvironment.h"
#include "forms/Program.h"

#include <QApplication>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fuzz {

// Ends the run as a finding: libFuzzer keeps the input that got here.
[[noreturn]] inline void fail(const QString &what)
{
    std::fprintf(stderr, "\n*** broken rule: %s\n", what.toLocal8Bit().constData());
    std::fflush(stderr);
    std::abort();
}

} // namespace fuzz

// Fails with the message (a QString) when the condition does not hold; the message is made only
// then, as most checks run thousands of times a second.
#define FUZZ_CHECK(condition, message)                                                             \
    do {                                                                                           \
        if (!(condition))                                                                          \
            fuzz::fail(message);                                                                   \
    } while (false)

namespace fuzz {

// A text as the fuzzer's message shows it: printable ASCII as is, everything else as \uXXXX.
inline QString shown(const QString &text)
{
    QString out;
    for (QChar c : text) {
        if (c.unicode() >= 0x20 && c.unicode() < 0x7f)
            out += c;
        else
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return '"' + out + '"';
}

namespace detail {

inline std::filesystem::path runtimeDir;

inline void removeRuntimeDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(runtimeDir, ignored);
}

} // namespace detail

// Makes the Qt application, as the tests run it: in the tests' isolated environment
// (tests/support/isolated-environment.txt) with a private runtime directory (in TMPDIR,
// removed at exit). Untrapped errors are handed to reporter instead of a modal box. Call
// once, from LLVMFuzzerInitialize.
//
// The application and the windows live until the process ends. They stay reachable from the
// program's globals, so LeakSanitizer does not count them; destroying them from an exit handler
// would run after the statics that Qt and the runtime made during the run are gone (the
// runtime's icon cache, Qt's font cache), which crashes.
inline void startApplication(int *argc, char ***argv, forms::ErrorReporter reporter)
{
    std::string dir = (std::filesystem::temp_directory_path() / "mxr-fuzz-XXXXXX").string();
    if (!mkdtemp(dir.data())) // made 0700
        fail(QStringLiteral("cannot make a private runtime directory"));
    detail::runtimeDir = dir;
    std::atexit(detail::removeRuntimeDir);
    for (const char *entry : isolatedEnvironment) {
        const std::string setting = entry;
        const size_t equals = setting.find('=');
        std::string value = setting.substr(equals + 1);
        if (const size_t at = value.find("@RUNTIME@"); at != std::string::npos)
            value.replace(at, 9, dir);
        const std::string name = setting.substr(0, equals);
        if (value.empty())
            unsetenv(name.c_str());
        else
            setenv(name.c_str(), value.c_str(), 1);
    }
    static QApplication *application = new QApplication(*argc, *argv);
    Q_UNUSED(application);
    forms::SetUpApplication();
    forms::SetErrorReporter(std::move(reporter));
}

// Reads the fuzzer's bytes front to back; past the end every byte reads as 0.
class Input
{
public:
    Input(const std::uint8_t *data, size_t size) : m_data(data), m_size(size) {}

    bool atEnd() const { return m_pos >= m_size; }
    std::uint8_t byte() { return atEnd() ? 0 : m_data[m_pos++]; }
    std::int16_t int16() { return std::int16_t(byte() | byte() << 8); }
    std::int32_t int32()
    {
        std::uint32_t value = 0;
        for (int shift = 0; shift < 32; shift += 8)
            value |= std::uint32_t(byte()) << shift;
        return std::int32_t(value);
    }

    // A text. Its first byte chooses how the bytes that follow become characters: an even byte
    // (such as 'L') one Latin-1 character per byte, up to a newline; an odd byte (such as 'U')
    // one UTF-16 code unit per two bytes, low byte first, up to the unit U+000A. Texts in UTF-16
    // may hold lone surrogates and any code unit; Latin-1 reaches digits and blanks quickly.
    QString text()
    {
        QString out;
        if (byte() % 2 == 0) {
            while (!atEnd()) {
                const char c = char(byte());
                if (c == '\n')
                    break;
                out += QLatin1Char(c);
            }
        } else {
            while (m_size - m_pos >= 2) {
                const char16_t unit = char16_t(byte() | byte() << 8);
                if (unit == u'\n')
                    return out;
                out += QChar(unit);
            }
            m_pos = m_size; // an odd last byte is dropped
        }
        return out;
    }

private:
    const std::uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// What a text reads as when a 32-bit number is needed, worked out independently of the
// program: blanks (space, tab) around, an optional sign, then decimal digits only.
struct Decimal
{
    enum Kind { Number, NotANumber, TooLarge } kind;
    std::int32_t value = 0;
};

inline Decimal readDecimal(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (first < last && blank(text[first]))
        ++first;
    while (last > first && blank(text[last - 1]))
        --last;
    bool negative = false;
    if (first < last && (text[first] == u'+' || text[first] == u'-'))
        negative = text[first++] == u'-';
    if (first == last)
        return {Decimal::NotANumber};
    for (qsizetype i = first; i < last; ++i) {
        if (text[i] < u'0' || text[i] > u'9')
            return {Decimal::NotANumber};
    }
    // Leading zeros do not count towards the size.
    while (last - first > 1 && text[first] == u'0')
        ++first;
    if (last - first > 10)
        return {Decimal::TooLarge};
    std::int64_t magnitude = 0;
    for (qsizetype i = first; i < last; ++i)
        magnitude = magnitude * 10 + (text[i].unicode() - u'0');
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < INT32_MIN || value > INT32_MAX)
        return {Decimal::TooLarge};
    return {Decimal::Number, std::int32_t(value)};
}

} // namespace fuzz
