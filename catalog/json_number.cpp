#include "catalog/json_number.h"

#include <charconv>
#include <limits>
#include <system_error>

namespace {

// Enough significant digits for any double to round as from the full literal,
// once one last non-zero digit stands for everything cut off.
constexpr size_t kMaxSignificantDigits = 780;
// Beyond this, a mantissa of at most kMaxSignificantDigits digits is 0 or
// infinity: the power of ten handed to the conversion is clamped to it.
constexpr long long kExponentBound = 100000;
// A written exponent saturates here, far beyond any literal's own length, so
// that adding the two powers of ten can neither overflow nor clamp too early.
constexpr long long kWrittenExponentBound = 1000000000000000LL;
// The reduced literal: the digits, the sticky digit, "e", a sign and the power.
constexpr size_t kReducedCapacity = kMaxSignificantDigits + 16;

bool IsAsciiDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

long long Clamp(long long value, long long bound) { return value > bound ? bound : (value < -bound ? -bound : value); }

// The literal reduced to its significant digits and a power of ten, in ASCII,
// ready for the standard conversion.
class ReducedLiteral {
public:
    bool negative = false;
    bool anyDigit = false;  // false: nothing a conversion would read
    long long exponent = 0;

    // Returns false when the digit was cut off.
    bool Take(wchar_t c) {
        anyDigit = true;
        if (length_ == 0 && c == L'0') return true;  // a leading zero
        if (length_ < kMaxSignificantDigits) {
            text_[length_++] = static_cast<char>(c);
            return true;
        }
        cutNonZero_ = cutNonZero_ || c != L'0';
        return false;
    }
    bool HasSignificantDigits() const { return length_ > 0; }
    // The power of ten just above the value: positive for huge, negative for tiny.
    long long Magnitude() const { return exponent + static_cast<long long>(length_); }

    double Convert() {
        if (cutNonZero_) {
            // Stands for the non-zero digits cut off, so the value rounds as theirs would.
            text_[length_++] = '1';
            --exponent;
            cutNonZero_ = false;
        }
        size_t used = length_;
        text_[used++] = 'e';
        std::to_chars_result written = std::to_chars(text_ + used, text_ + kReducedCapacity, exponent);
        double value = 0.0;
        std::from_chars_result read = std::from_chars(text_, written.ptr, value);
        if (read.ec == std::errc::result_out_of_range)
            value = Magnitude() > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        return value;
    }

private:
    char text_[kReducedCapacity];
    size_t length_ = 0;
    bool cutNonZero_ = false;
};

void ReadLiteral(const wchar_t* p, const wchar_t* end, ReducedLiteral& literal) {
    if (p < end && *p == L'-') {
        literal.negative = true;
        ++p;
    }
    // An integer digit cut off is one more power of ten; a fraction digit
    // kept, or a zero before the first significant one, is one tenth less.
    for (; p < end && IsAsciiDigit(*p); ++p) {
        if (!literal.Take(*p)) ++literal.exponent;
    }
    if (p < end && *p == L'.') {
        for (++p; p < end && IsAsciiDigit(*p); ++p) {
            if (literal.Take(*p)) --literal.exponent;
        }
    }
    // As in wcstod, an exponent counts only after a mantissa digit.
    long long written = 0;
    if (literal.anyDigit && p < end && (*p == L'e' || *p == L'E')) {
        ++p;
        bool negative = false;
        if (p < end && (*p == L'+' || *p == L'-')) negative = *p++ == L'-';
        for (; p < end && IsAsciiDigit(*p); ++p) written = Clamp(written * 10 + (*p - L'0'), kWrittenExponentBound);
        if (negative) written = -written;
    }
    literal.exponent = Clamp(literal.exponent + written, kExponentBound);
}

}  // namespace

double ConvertNumber(const wchar_t* start, const wchar_t* end) {
    ReducedLiteral literal;
    ReadLiteral(start, end, literal);
    if (!literal.anyDigit) return 0.0;
    const double sign = literal.negative ? -1.0 : 1.0;
    if (!literal.HasSignificantDigits()) return sign * 0.0;
    return sign * literal.Convert();
}
