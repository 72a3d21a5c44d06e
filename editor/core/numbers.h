// Number handling shared by the editor: rounding, the optional numbers that remember whether they
// hold nothing, a whole number or a double, reading the number at the start of a typed answer, and
// writing numbers back as text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace gridwright {

// Rounds to the nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double RoundHalfEven(double value);

// A number that may hold no value, a 16-bit whole number or a double, and remembers which.
class OptionalNumber {
  public:
    OptionalNumber() = default;
    static OptionalNumber Whole(std::int16_t value) { return OptionalNumber(value); }
    static OptionalNumber Double(double value) { return OptionalNumber(value); }

    bool HasValue() const { return !std::holds_alternative<std::monostate>(value_); }
    bool IsWhole() const { return std::holds_alternative<std::int16_t>(value_); }
    // No value counts as 0 in arithmetic.
    double Value() const;
    // Decimal text that reads back as the same number: empty for no value, no decimal point for
    // a whole value ("2.50" gives "2.5"), zero without sign, the exponent form for the very small
    // and the very large ("1e-300").
    std::string ToText() const;

    bool operator==(const OptionalNumber&) const = default;

  private:
    explicit OptionalNumber(std::int16_t value) : value_(value) {}
    explicit OptionalNumber(double value) : value_(value) {}

    std::variant<std::monostate, std::int16_t, double> value_;
};

// The number at the start of a typed answer: blanks, tabs and line feeds are skipped anywhere
// ("3 4" gives 34); then an optional sign, digits, a decimal point (full stop only) with more
// digits and an optional exponent marked E or D (either case), or "&H" / "&O" and a hexadecimal
// or octal whole number. Reading stops at the first character that does not fit; no number gives
// 0, a number too small for a double 0 too. Nothing when the number is too large for a double.
std::optional<double> TryReadNumber(std::string_view text);

// The same, with a number too large for a double giving 0, so the result is always finite.
double ReadNumber(std::string_view text);

// A single-precision value as classic Basic writes it, without the leading blank: seven
// significant digits ("1", "0.1", "1234567"), the exponent form only beyond them ("1E+07",
// "1E-05"); more digits where seven would not read back as the same value.
std::string FloatToText(float value);

}  // namespace gridwright
