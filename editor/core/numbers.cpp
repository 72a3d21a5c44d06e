#include "numbers.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
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

#if defined(__cpp_lib_to_chars) && !defined(GW_NUMBER_TEXT_BY_PRINTF)

// The text of value in the format, shortest or with the digits after the point given, or
// nothing when it does not fit. 64 characters hold every double in the exponent form and every
// plain decimal the callers ask for.
template <typename Number, typename... Precision>
std::optional<std::string> CharsText(Number value, std::chars_format format,
                                     Precision... precision) {
    char text[64];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value, format, precision...);
    if (error != std::errc()) return std::nullopt;
    return std::string(text, end);
}

// Reads a double from a text that begins with a digit, a full stop or a minus sign.
std::from_chars_result ReadDouble(const char* first, const char* last, double& value) {
    return std::from_chars(first, last, value);
}

#else

// A standard library without <charconv> for floating point (the WebAssembly build's) writes and
// reads the same texts with printf and strtod, which are exact in the "C" locale: the shortest
// text is the one with the fewest digits that reads back as the value.
std::optional<std::string> PrintedText(const char* format, int precision, double value) {
    char text[400];  // a fixed-point double below 1e15 with every digit after the point
    const int length = std::snprintf(text, sizeof text, format, precision, value);
    if (length < 0 || length >= 64) return std::nullopt;
    return std::string(text, static_cast<std::size_t>(length));
}

template <typename Number>
std::optional<std::string> CharsText(Number value, std::chars_format format) {
    const bool fixed = format == std::chars_format::fixed;
    if (!std::isfinite(value)) return PrintedText("%.*g", 0, value);
    for (int digits = fixed ? 0 : 1; digits <= 400; ++digits) {
        auto text = PrintedText(fixed ? "%.*f" : "%.*g", digits, value);
        if (!text) return std::nullopt;
        if (static_cast<Number>(std::strtod(text->c_str(), nullptr)) == value) return text;
    }
    return std::nullopt;
}

template <typename Number>
std::optional<std::string> CharsText(Number value, std::chars_format, int precision) {
    return PrintedText("%.*e", precision, value);  // the callers ask for scientific
}

std::from_chars_result ReadDouble(const char* first, const char* last, double& value) {
    const std::string text(first, last);
    char* end = nullptr;
    errno = 0;
    const double read = std::strtod(text.c_str(), &end);
    const auto used = static_cast<std::ptrdiff_t>(end - text.c_str());
    if (used == 0) return {first, std::errc::invalid_argument};
    // Too large or too small for any double; a subnormal result still counts as read.
    if (errno == ERANGE && (read == 0 || std::isinf(read)))
        return {first + used, std::errc::result_out_of_range};
    value = read;
    return {first + used, std::errc()};
}

#endif

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

std::optional<double> ReadWholeNumber(std::string_view digits, int base) {
    double value = 0;
    for (char c : digits) {
        if (!IsDigitOfBase(c, base)) break;
        const int digit = std::isdigit(static_cast<unsigned char>(c))
                              ? c - '0'
                              : std::toupper(static_cast<unsigned char>(c)) - 'A' + 10;
        value = value * base + digit;
    }
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

// Classic Basic writes the exponent of a double-precision number with D, of a single with E.
bool IsExponentMarker(char c) {
    return c == 'e' || c == 'E' || c == 'd' || c == 'D';
}

// Whether a decimal number's text (digits, a point with digits, then "e" and a signed exponent)
// that a double cannot hold is too large for it rather than too small: the decimal exponent of
// its first significant digit is 0 or more.
bool TooLargeRatherThanTooSmall(std::string_view number) {
    std::size_t i = 0, integerDigits = 0, leadingZeros = 0;
    bool significant = false;
    for (; i < number.size() && IsDigitOfBase(number[i], 10); ++i) {
        significant |= number[i] != '0';
        if (significant) ++integerDigits;
    }
    if (i < number.size() && number[i] == '.') {
        for (++i; i < number.size() && IsDigitOfBase(number[i], 10) && !significant; ++i) {
            significant = number[i] != '0';
            if (!significant) ++leadingZeros;
        }
    }
    // Places of the first significant digit left (+) or right (-) of the ones.
    const long firstDigit = integerDigits > 0 ? static_cast<long>(integerDigits) - 1
                                              : -static_cast<long>(leadingZeros) - 1;
    const std::size_t marker = number.find('e');
    long exponent = 0;
    if (marker != std::string_view::npos) {
        std::size_t at = marker + 1;
        const bool negative = number[at] == '-';
        if (number[at] == '+' || number[at] == '-') ++at;
        // Far beyond every double's exponent, and far from overflowing a long.
        for (; at < number.size(); ++at)
            exponent = std::min(exponent * 10 + (number[at] - '0'), 100000L);
        if (negative) exponent = -exponent;
    }
    return firstDigit + exponent >= 0;
}

}  // namespace

std::string OptionalNumber::ToText() const {
    if (const auto* whole = std::get_if<std::int16_t>(&value_)) return std::to_string(*whole);
    const auto* real = std::get_if<double>(&value_);
    if (real == nullptr) return {};
    // Zero shows without sign, also when it was typed as -0.
    if (*real == 0) return "0";
    // Plain decimals where they stay short; beyond, the exponent form, which always fits.
    const double size = std::abs(*real);
    if (size >= 1e-4 && size < 1e15)
        if (auto text = CharsText(*real, std::chars_format::fixed)) return *text;
    return CharsText(*real, std::chars_format::general).value_or(std::string());
}

std::optional<double> TryReadNumber(std::string_view text) {
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
    std::string number(rest.substr(0, end));
    if (end < rest.size() && IsExponentMarker(rest[end])) {
        std::size_t exponent = end + 1;
        if (exponent < rest.size() && (rest[exponent] == '+' || rest[exponent] == '-')) ++exponent;
        if (exponent < rest.size() && IsDigitOfBase(rest[exponent], 10)) {
            std::size_t stop = exponent;
            while (stop < rest.size() && IsDigitOfBase(rest[stop], 10)) ++stop;
            number += 'e';
            number += rest.substr(end + 1, stop - end - 1);
        }
    }

    double value = 0;
    const auto result = ReadDouble(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Too small is as good as 0; too large does not fit.
        if (TooLargeRatherThanTooSmall(number)) return std::nullopt;
        return 0;
    }
    if (!std::isfinite(value)) return std::nullopt;
    return negative ? -value : value;
}

double ReadNumber(std::string_view text) {
    return TryReadNumber(text).value_or(0);
}

namespace {

// A single-precision value read back as an answer is: as a double, then held as a single.
bool ReadsBackAs(const std::string& text, float value) {
    double read = 0;
    const auto [end, error] = ReadDouble(text.data(), text.data() + text.size(), read);
    if (error != std::errc() || end != text.data() + text.size()) return false;
    if (std::abs(read) >= FLT_MAX) return std::abs(value) == FLT_MAX && (read < 0) == (value < 0);
    return static_cast<float>(read) == value;
}

}  // namespace

std::string FloatToText(float value) {
    if (value == 0) return "0";
    if (!std::isfinite(value)) return CharsText(value, std::chars_format::general).value_or("");
    // The digits: seven significant ones, as the classic text of a single-precision number has,
    // or eight or nine where seven would not read back as the same value.
    std::string scientific;  // "-d.ddddddde+XX"
    for (int digits = 7; digits <= 9; ++digits) {
        const auto text = CharsText(value, std::chars_format::scientific, digits - 1);
        if (!text) continue;
        scientific = *text;
        if (ReadsBackAs(scientific, value)) break;
    }
    const std::size_t marker = scientific.find('e');
    if (marker == std::string::npos) return scientific;
    int exponent = 0;
    std::from_chars(scientific.data() + marker + 1 + (scientific[marker + 1] == '+'),
                    scientific.data() + scientific.size(), exponent);
    std::string digits;
    for (std::size_t i = 0; i < marker; ++i)
        if (IsDigitOfBase(scientific[i], 10)) digits += scientific[i];
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string text = value < 0 ? "-" : "";
    if (exponent >= 7 || exponent < -4) {
        // Exponent form only beyond seven places: "1E+07", "1.234568E+07", "1E-05".
        text += digits.front();
        if (digits.size() > 1) text.append(".").append(digits, 1);
        text += exponent < 0 ? "E-" : "E+";
        const int size = std::abs(exponent);
        if (size < 10) text += '0';
        text += std::to_string(size);
    } else if (exponent < 0) {
        text.append("0.").append(static_cast<std::size_t>(-exponent - 1), '0').append(digits);
    } else {
        const std::size_t whole = static_cast<std::size_t>(exponent) + 1;
        text.append(digits, 0, whole);
        if (digits.size() < whole) text.append(whole - digits.size(), '0');
        if (digits.size() > whole) text.append(".").append(digits, whole);
    }
    return text;
}

}  // namespace gridwright
