#include "convert/NumberReading.h"

#include <QByteArray>

#include <cfenv>
#include <charconv>
#include <cmath>
#include <string_view>
#include <system_error>

namespace {

bool skipped(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The text without the characters that never end a number. A character outside Latin-1
// becomes '?', which ends it as the character itself would.
QByteArray withoutSkipped(const QString& text) {
    QByteArray kept;
    kept.reserve(text.size());
    for (const QChar c : text) {
        if (!skipped(c))
            kept += c.unicode() < 0x100 ? static_cast<char>(c.unicode()) : '?';
    }
    return kept;
}

} // namespace

double ReadNumber(const QString& text) {
    const QByteArray kept = withoutSkipped(text);
    const char* first = kept.constData();
    const char* const last = first + kept.size();
    const bool negative = first != last && *first == '-';
    if (first != last && (*first == '+' || negative))
        ++first;
    // from_chars would also take a second sign, "inf" and "nan"; a number goes on with a
    // digit or the decimal point. It reads "." as the decimal point whatever the locale says,
    // and stops where the number stops: at a second point, or at an exponent mark without
    // digits.
    if (first == last || !(isDigit(*first) || *first == '.'))
        return 0.0;
    double value = 0.0;
    const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error == std::errc::invalid_argument)
        return 0.0;
    if (error == std::errc::result_out_of_range) {
        const std::string_view number(first, static_cast<std::size_t>(end - first));
        const bool tiny = number.find("e-") != std::string_view::npos ||
                          number.find("E-") != std::string_view::npos;
        value = tiny ? 0.0 : HUGE_VAL;
    }
    return negative ? -value : value;
}

std::int16_t RoundToCount(double value) {
    if (std::isnan(value))
        return 0;
    if (value >= 32767.0)
        return 32767;
    if (value <= -32768.0)
        return -32768;
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(previous);
    return static_cast<std::int16_t>(rounded);
}

std::int16_t ReadPageCount(const QString& text) {
    return RoundToCount(ReadNumber(text));
}
