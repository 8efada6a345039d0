#pragma once

#include <QString>

#include <cstdint>

// The value of the number at the start of a control's text. Blanks, tabs and line feeds are
// skipped wherever they stand; a sign, digits, "." as the only decimal point and an exponent
// ("e" or "E", with its own sign) are read until a character cannot continue the number.
// A text without a leading number, the empty text included, gives 0.
double ReadNumber(const QString& text);

// The number rounded to the nearest integer, a half going to the even neighbour, as a
// 16-bit signed count. Counts above 32767 become 32767, counts below -32768 become -32768.
std::int16_t RoundToCount(double value);

// ReadNumber and RoundToCount together: the page count of a text such as "2.5" (2) or "1 2" (12).
std::int16_t ReadPageCount(const QString& text);
