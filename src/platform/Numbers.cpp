#include "platform/Numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace platform {

namespace {

// Index just past a run of decimal digits starting at i.
std::size_t SkipDigits(std::string_view text, std::size_t i) {
    while (i < text.size() && IsDecimalDigit(text[i]))
        ++i;
    return i;
}

// Checks the whole text against the floating-point syntax.
bool IsFloatSyntax(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const std::size_t intStart = i;
    i = SkipDigits(text, i);
    bool digits = i > intStart;
    if (i < text.size() && text[i] == '.') {
        const std::size_t fracStart = ++i;
        i = SkipDigits(text, i);
        digits = digits || i > fracStart;
    }
    if (!digits) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        const std::size_t expStart = i;
        i = SkipDigits(text, i);
        if (i == expStart) return false;
    }
    return i == text.size();
}

// The significant digits of a literal that passed IsFloatSyntax, without its sign and
// without leading and trailing zeros, and the decimal exponent of the first of them:
// "0.0125e3" gives 125 and 1 (1.25E1). No digits for zero. The exponent saturates far
// beyond the range of a double, so that no literal can overflow it.
struct Significand {
    std::string digits;
    std::int64_t exponent = 0;
};

Significand SignificandOf(std::string_view text) {
    constexpr std::int64_t Saturation = 1'000'000'000'000;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
    const std::size_t e = text.find_first_of("eE");
    const std::string_view mantissa = text.substr(0, e);
    std::int64_t exponent = 0;
    if (e != std::string_view::npos) {
        std::string_view digits = text.substr(e + 1);
        const bool negative = digits[0] == '-';
        if (digits[0] == '+' || digits[0] == '-') digits.remove_prefix(1);
        for (char c : digits)
            exponent = std::min(exponent * 10 + (c - '0'), Saturation);
        if (negative) exponent = -exponent;
    }

    Significand result;
    std::int64_t integerDigits = 0; // digits before the point, leading zeros not counted
    bool point = false;
    for (char c : mantissa) {
        if (c == '.') {
            point = true;
        } else if (result.digits.empty() && c == '0') {
            if (point) --integerDigits; // a zero between the point and the first digit
        } else {
            result.digits += c;
            if (!point) integerDigits = std::min(integerDigits + 1, Saturation);
        }
    }
    while (!result.digits.empty() && result.digits.back() == '0')
        result.digits.pop_back();
    result.exponent = exponent + integerDigits - 1;
    return result;
}

// The largest double as the display writes it (15 significant digits, rounded up): it
// lies beyond the largest double but still reads as that.
bool IsLargestShown(const Significand& s) {
    // Without leading or trailing zeros, comparing the digit strings compares the values.
    return s.exponent == 308 && s.digits <= "179769313486232";
}

// Reads the digits of an unsigned magnitude; nullopt when there are none, a character is
// not a digit of the base, or the value exceeds `limit`.
std::optional<std::uint64_t> ReadMagnitude(std::string_view digits, int base, std::uint64_t limit) {
    if (digits.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : digits) {
        const int d = base == 16 ? HexDigitValue(c) : (IsDecimalDigit(c) ? c - '0' : -1);
        if (d < 0) return std::nullopt;
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
        if (value > limit) return std::nullopt; // stops before the 64 bits could overflow
    }
    return value;
}

// Splits a hexadecimal prefix off the text; returns the digits, or nullopt for decimal.
std::optional<std::string_view> HexDigits(std::string_view text) {
    if (!text.empty() && (text[0] == '$' || text[0] == 'x' || text[0] == 'X'))
        return text.substr(1);
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        return text.substr(2);
    return std::nullopt;
}

// The digits of |value| rounded to 15 significant digits, without trailing zeros, and
// the decimal exponent of the first digit.
void SignificantDigits(double value, std::string& digits, int& exponent) {
    char buffer[64];
    // d.dddddddddddddde±x, independent of the C locale.
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                      std::chars_format::scientific, 14);
    const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const std::size_t e = text.find('e');
    digits.assign(1, text[0]);
    digits.append(text.substr(2, e - 2));
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    std::from_chars(text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0), text.data() + text.size(),
                    exponent);
}

} // namespace

std::string TrimSpaces(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

std::optional<double> ParseFloat(std::string_view text) {
    if (!IsFloatSyntax(text)) return std::nullopt;
    const bool negative = text[0] == '-';
    if (text[0] == '+' || text[0] == '-') text.remove_prefix(1);
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (end != text.data() + text.size()) return std::nullopt;
    if (error == std::errc::result_out_of_range) {
        // The value would round to infinity or, not being zero, to zero: a double cannot
        // hold it. Only the display's rounded largest double is read back as that.
        if (!IsLargestShown(SignificandOf(text))) return std::nullopt;
        value = std::numeric_limits<double>::max();
    } else if (error != std::errc() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

std::optional<std::int32_t> ParseInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    constexpr std::uint64_t MaxPositive = std::numeric_limits<std::int32_t>::max();
    constexpr std::uint64_t MaxNegative = MaxPositive + 1; // magnitude of INT32_MIN

    if (const auto hex = HexDigits(text)) {
        const auto magnitude = ReadMagnitude(*hex, 16, 0xFFFFFFFFu);
        if (!magnitude) return std::nullopt;
        if (negative) {
            if (*magnitude > MaxNegative) return std::nullopt;
            return static_cast<std::int32_t>(-static_cast<std::int64_t>(*magnitude));
        }
        // A 32-bit pattern: the upper half stands for the negative numbers.
        const auto pattern = static_cast<std::uint32_t>(*magnitude);
        return static_cast<std::int32_t>(pattern);
    }
    const auto magnitude = ReadMagnitude(text, 10, negative ? MaxNegative : MaxPositive);
    if (!magnitude) return std::nullopt;
    const auto value = static_cast<std::int64_t>(*magnitude);
    return static_cast<std::int32_t>(negative ? -value : value);
}

std::string FormatFloat(double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    if (value == 0.0) return "0"; // also minus zero

    std::string digits;
    int exponent = 0;
    SignificantDigits(value, digits, exponent);
    std::string out = value < 0 ? "-" : "";
    const int count = static_cast<int>(digits.size());

    if (exponent < -5 || exponent >= 15) {
        // d[.ddd]E<exponent>
        out += digits[0];
        if (count > 1) out += '.' + digits.substr(1);
        out += 'E' + std::to_string(exponent);
    } else if (exponent < 0) {
        // 0.000ddd
        out += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    } else if (count <= exponent + 1) {
        // ddd000: an integer
        out += digits + std::string(static_cast<std::size_t>(exponent + 1 - count), '0');
    } else {
        // ddd.ddd
        const auto point = static_cast<std::size_t>(exponent + 1);
        out += digits.substr(0, point) + '.' + digits.substr(point);
    }
    return out;
}

} // namespace platform
