#include "convert/NumberReading.h"

#include <QByteArray>

#include <cfenv>
#include <charconv>
#include <cmath>

#include <system_error>

namespace {

bool skipped(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Collects the characters of the leading number, without the skipped ones, in a form that
// strtod reads exactly: [sign] digits [. digits] [e [sign] digits].
QByteArray leadingNumber(const QString& text) {
    QByteArray out;
    enum class Stage { Sign, Mantissa, Fraction, ExponentSign, Exponent } stage = Stage::Sign;
    bool digits = false;
    QByteArray exponent;
    for (const QChar c : text) {
        if (skipped(c))
            continue;
        const char ch = c.toLatin1();
        if (stage == Stage::Sign && (ch == '+' || ch == '-')) {
            out += ch;
            stage = Stage::Mantissa;
        } else if ((stage <= Stage::Fraction) && isDigit(c)) {
            out += ch;
            digits = true;
            stage = std::max(stage, Stage::Mantissa);
        } else if (stage <= Stage::Mantissa && ch == '.') {
            out += ch;
            stage = Stage::Fraction;
        } else if (stage <= Stage::Fraction && digits && (ch == 'e' || ch == 'E')) {
            exponent = QByteArrayLiteral("e");
            stage = Stage::ExponentSign;
        } else if (stage == Stage::ExponentSign && (ch == '+' || ch == '-')) {
            exponent += ch;
            stage = Stage::Exponent;
        } else if (stage >= Stage::ExponentSign && isDigit(c)) {
            exponent += ch;
            stage = Stage::Exponent;
        } else {
            break;
        }
    }
    if (!digits)
        return {};
    // An exponent mark without digits adds nothing to the number.
    if (!exponent.isEmpty() && isDigit(QLatin1Char(exponent.back())))
        out += exponent;
    return out;
}

} // namespace

double ReadNumber(const QString& text) {
    QByteArray number = leadingNumber(text);
    if (number.isEmpty())
        return 0.0;
    // from_chars reads "." as the decimal point whatever the user's locale says.
    const bool negative = number.front() == '-';
    if (number.front() == '+' || negative)
        number.remove(0, 1);
    double value = 0.0;
    const auto read = std::from_chars(number.data(), number.data() + number.size(), value);
    if (read.ec == std::errc::result_out_of_range) {
        const bool tiny = number.contains("e-");
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
