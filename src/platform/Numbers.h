#pragma once
// Number entry and display shared by every numeric field.
//
// Entry: floating-point fields accept an optional sign, digits, an optional '.' with
// digits and an optional exponent (E or e, optional sign, digits); integer fields
// accept an optional sign and decimal digits, or a hexadecimal number introduced by
// "$", "x" or "0x". Nothing may follow the number; the empty text is an error.
// Display: general format with at most 15 significant digits, '.' as separator.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Drops leading and trailing blanks (character 32 only; tabs stay).
std::string TrimSpaces(std::string_view text);

// Parses a whole text as a floating-point number; no trimming.
std::optional<double> ParseFloat(std::string_view text);

// Parses a whole text as a signed 32-bit integer; no trimming. Out of range is an error.
std::optional<std::int32_t> ParseInteger(std::string_view text);

// General format: at most 15 significant digits, no trailing zeros, a '.' only when
// needed, fixed notation unless |value| < 0.00001 or it has more than 15 integer digits.
std::string FormatFloat(double value);

} // namespace platform
