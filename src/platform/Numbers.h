#pragma once
// Number entry and display shared by every numeric field.
//
// Entry: floating-point fields accept an optional sign, digits, an optional '.' with
// digits and an optional exponent (E or e, optional sign, digits). Digits may stand on
// one side of the '.' only ("1." and ".5" are numbers, "." is not). The words "nan" and
// "inf" are errors, and so is every value a double cannot hold, however it is written:
// too large (1E400, or 1 with 400 zeros and E-1), and, not being zero, too small
// (1E-400, or 0. with 330 zeros and a 1), so that a number typed never silently becomes
// 0. Zero itself is zero in any spelling (0E-400). What the display writes always reads
// back: its largest double, 1.79769313486232E308, is rounded up beyond the largest
// double, and reads as the largest double.
//
// Integer fields accept an optional sign and decimal digits, or a hexadecimal number
// introduced by "$", "x", "X", "0x" or "0X" after the optional sign. A decimal value must
// lie in the signed 32-bit range. A hexadecimal value is read as a 32-bit pattern: up to
// FFFFFFFF is accepted (leading zeros do not count), and 80000000..FFFFFFFF are the
// negative numbers of that pattern ("$FFFFFFFF" is -1); with a '-' sign the magnitude
// must be at most 80000000 ("-$10" is -16). Anything larger is an error.
//
// Nothing may follow the number, blanks included (callers trim with TrimSpaces first);
// the empty text is an error.
//
// Display: general format with at most 15 significant digits, '.' as separator.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The value of a decimal digit is c - '0'.
constexpr bool IsDecimalDigit(char c) {
    return c >= '0' && c <= '9';
}

// The value of a hexadecimal digit (either case), or -1 when c is none.
constexpr int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Drops leading and trailing blanks (character 32 only; tabs stay).
std::string TrimSpaces(std::string_view text);

// Parses a whole text as a floating-point number; no trimming.
std::optional<double> ParseFloat(std::string_view text);

// Parses a whole text as a signed 32-bit integer; no trimming. Out of range is an error.
std::optional<std::int32_t> ParseInteger(std::string_view text);

// General format: at most 15 significant digits, no trailing zeros, a '.' only when
// needed, fixed notation unless |value| < 0.00001 or it has more than 15 integer digits
// (so 1E15 and 1.5E-6 are written with an exponent: upper-case E, no '+', no leading
// zeros). Minus zero is "0"; not-a-number is "NAN", infinities "INF" and "-INF".
std::string FormatFloat(double value);

} // namespace platform
