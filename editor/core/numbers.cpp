#include "numbers.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <system_error>

namespace gridwright {

double RoundHalfEven(double value) {
    // nearbyint rounds in the current rounding mode, which is round-to-nearest-even unless a
    // program changes it; the editor never does.
    return std::nearbyint(value);
}

double OptionalNumber::Value() const {
    if (const auto* whole = std::get_if<std::int16_t>(&value_)) return *whole;
    if (const auto* real = std::get_if<double>(&value_)) return *real;
    return 0;
}

namespace {

template <typename Number>
std::string ShortestText(Number value, std::chars_format format) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, format);
    return std::string(text, result.ptr);
}

bool IsSkipped(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

bool IsDigitOfBase(char c, int base) {
    if (base == 8) return c >= '0' && c <= '7';
    if (base == 16) return std::isxdigit(static_cast<unsigned char>(c)) != 0;
    return c >= '0' && c <= '9';
}

// The answer without the characters that reading skips.
std::string WithoutBlanks(std::string_view text) {
    std::string kept;
    for (char c : text)
        if (!IsSkipped(c)) kept += c;
    return kept;
}

double FiniteOrZero(double value) {
    return std::isfinite(value) ? value : 0;
}

double ReadWholeNumber(std::string_view digits, int base) {
    double value = 0;
    for (char c : digits) {
        if (!IsDigitOfBase(c, base)) break;
        const int digit = std::isdigit(static_cast<unsigned char>(c))
                              ? c - '0'
                              : std::toupper(static_cast<unsigned char>(c)) - 'A' + 10;
        value = value * base + digit;
    }
    return FiniteOrZero(value);
}

}  // namespace

std::string OptionalNumber::ToText() const {
    if (const auto* whole = std::get_if<std::int16_t>(&value_)) return std::to_string(*whole);
    if (const auto* real = std::get_if<double>(&value_))
        return ShortestText(
            *real, std::abs(*real) < 1e15 ? std::chars_format::fixed : std::chars_format::general);
    return {};
}

double ReadNumber(std::string_view text) {
    const std::string kept = WithoutBlanks(text);
    std::string_view rest = kept;

    if (rest.size() >= 2 && rest[0] == '&') {
        const char prefix = static_cast<char>(std::toupper(static_cast<unsigned char>(rest[1])));
        if (prefix == 'H') return ReadWholeNumber(rest.substr(2), 16);
        if (prefix == 'O') return ReadWholeNumber(rest.substr(2), 8);
        return 0;
    }

    bool negative = false;
    if (!rest.empty() && (rest[0] == '+' || rest[0] == '-')) {
        negative = rest[0] == '-';
        rest.remove_prefix(1);
    }
    // Only digits, one full stop and an exponent with at least one digit belong to the number.
    std::size_t end = 0;
    while (end < rest.size() && IsDigitOfBase(rest[end], 10)) ++end;
    if (end < rest.size() && rest[end] == '.') {
        ++end;
        while (end < rest.size() && IsDigitOfBase(rest[end], 10)) ++end;
    }
    if (end == 0 || (end == 1 && rest[0] == '.')) return 0;
    if (end < rest.size() && (rest[end] == 'e' || rest[end] == 'E')) {
        std::size_t exponent = end + 1;
        if (exponent < rest.size() && (rest[exponent] == '+' || rest[exponent] == '-')) ++exponent;
        if (exponent < rest.size() && IsDigitOfBase(rest[exponent], 10)) {
            end = exponent;
            while (end < rest.size() && IsDigitOfBase(rest[end], 10)) ++end;
        }
    }

    double value = 0;
    const auto result = std::from_chars(rest.data(), rest.data() + end, value);
    if (result.ec == std::errc::result_out_of_range) {
        // Too large counts as no number; too small is as good as 0.
        return 0;
    }
    return FiniteOrZero(negative ? -value : value);
}

std::string FloatToText(float value) {
    return ShortestText(value, std::chars_format::general);
}

}  // namespace gridwright
