#pragma once
// The game's arithmetic on positions and velocities: extended precision with a 64-bit mantissa,
// every operation rounded to nearest (ties to even) to 64 bits, a result rounded to double only
// where it is stored into a double. That is the x87 format, and where long double is that
// format (x86 with GCC or clang) Extended is long double itself, at no cost.
//
// Elsewhere, notably the browser build, long double has a 113-bit mantissa (done in software,
// slowly), and a sum rounded to double once from 113 bits is not always the sum rounded to
// 64 bits and then to double: a bubble would now and then land one bit apart, and a whole game
// drifts. There Extended is SoftExtended, the same operations done bit for bit in integer
// arithmetic. SoftExtended is compiled everywhere, so the desktop tests compare it with the
// hardware.
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

namespace game {

// One value in the x87 extended format: a sign, a 15-bit exponent biased by 16383 and a 64-bit
// significand whose leading bit is explicit. Every operation behaves as the x87 unit with
// 64-bit precision and rounding to nearest: signed zeros, infinities, gradual underflow,
// overflow to infinity, quiet NaNs propagated by the larger significand, and the unit's
// default NaN (negative, significand 0xC000000000000000) for invalid operations. Encodings the
// unit itself rejects (an exponent without the leading bit) give that default NaN too.
//
// The game's values are all normal numbers, and for them every operation takes a short way
// inline, on the bits; the rest (zeros, denormals, infinities, NaNs, results out of range)
// goes the general way in extended.cpp.
class SoftExtended {
 public:
  SoftExtended() = default;  // +0
  // Integers and doubles convert exactly; they are implicit so that formulas read as they would
  // with long double.
  SoftExtended(std::int32_t v) : SoftExtended(static_cast<std::int64_t>(v)) {}
  SoftExtended(std::uint32_t v) : SoftExtended(static_cast<std::uint64_t>(v)) {}
  SoftExtended(std::int64_t v)
      : SoftExtended(v < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(v)
                           : static_cast<std::uint64_t>(v)) {
    if (v < 0) signExponent_ |= kSign;
  }
  SoftExtended(std::uint64_t v) {
    if (v == 0) return;
    const int shift = std::countl_zero(v);
    significand_ = v << shift;
    signExponent_ = static_cast<std::uint16_t>(kBias + 63 - shift);
  }
  SoftExtended(double v) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    const int e = static_cast<int>((bits >> 52) & 0x7FF);
    if (e == 0 || e == 0x7FF) {
      significand_ = UnusualDoubleSignificand(bits);
      signExponent_ = UnusualDoubleSignExponent(bits);
      return;
    }
    significand_ = kLead | (bits << 11);
    signExponent_ = static_cast<std::uint16_t>(((bits >> 48) & kSign) | (e - 1023 + kBias));
  }

  // Rounded to nearest, ties to even; beyond the double range, infinity.
  explicit operator double() const {
    const int e = (signExponent_ & kMaxExponent) - kBias + 1023;
    if (e < 1 || e >= 0x7FF || (significand_ & kLead) == 0)
      return ToUnusualDouble(signExponent_, significand_);
    std::uint64_t kept = significand_ >> 11;
    const std::uint64_t rest = significand_ & 0x7FF;
    if (rest > 0x400 || (rest == 0x400 && (kept & 1) != 0)) ++kept;
    // The leading bit adds one to the exponent field, a carry out of 53 bits one more (up to
    // infinity, as it should).
    const std::uint64_t bits = (static_cast<std::uint64_t>(signExponent_ & kSign) << 48) +
                               (static_cast<std::uint64_t>(e - 1) << 52) + kept;
    double v = 0;
    std::memcpy(&v, &bits, sizeof v);
    return v;
  }
  // Toward zero; NaN and values out of range give INT64_MIN, as the x87 unit does.
  explicit operator std::int64_t() const {
    const int e = (signExponent_ & kMaxExponent) - kBias;  // of the leading bit
    if (e > 62 || (significand_ & kLead) == 0) return ToUnusualInteger(signExponent_, significand_);
    if (e < 0) return 0;
    const auto magnitude = static_cast<std::int64_t>(significand_ >> (63 - e));
    return (signExponent_ & kSign) != 0 ? -magnitude : magnitude;
  }

  // The platform's long double and back, the way back rounded to 64 bits (to nearest, ties to
  // even); exact both ways where long double is the x87 format.
  long double ToLongDouble() const;
  static SoftExtended FromLongDouble(long double v);

  // The raw format, as the x87 unit stores it in memory.
  static constexpr SoftExtended FromBits(std::uint16_t signExponent, std::uint64_t significand) {
    SoftExtended x;
    x.signExponent_ = signExponent;
    x.significand_ = significand;
    return x;
  }
  constexpr std::uint16_t SignExponent() const { return signExponent_; }
  constexpr std::uint64_t Significand() const { return significand_; }

  friend SoftExtended operator+(SoftExtended a, SoftExtended b) { return Add(a, b, 0); }
  friend SoftExtended operator-(SoftExtended a, SoftExtended b) { return Add(a, b, kSign); }
  friend SoftExtended operator*(SoftExtended a, SoftExtended b) {
    if (!BothNormal(a, b)) return MultiplyUnusual(a, b);
    const std::uint16_t sign = (a.signExponent_ ^ b.signExponent_) & kSign;
    int biased = (a.signExponent_ & kMaxExponent) + (b.signExponent_ & kMaxExponent) - kBias + 1;
    const Wide product = Wide{a.significand_} * b.significand_;
    auto high = static_cast<std::uint64_t>(product >> 64);
    auto low = static_cast<std::uint64_t>(product);
    if ((high & kLead) == 0) {
      high = (high << 1) | (low >> 63);
      low <<= 1;
      --biased;
    }
    return RoundNormal(sign, biased, high, low);
  }
  friend SoftExtended operator/(SoftExtended a, SoftExtended b);
  // Flips the sign, of zeros and NaNs too.
  SoftExtended operator-() const { return FromBits(signExponent_ ^ kSign, significand_); }

  // NaN is unordered: every comparison with it is false but !=; -0 equals +0.
  friend bool operator==(SoftExtended a, SoftExtended b) {
    return a.Ordered() && b.Ordered() && Compare(a, b) == 0;
  }
  friend bool operator<(SoftExtended a, SoftExtended b) {
    return a.Ordered() && b.Ordered() && Compare(a, b) < 0;
  }
  friend bool operator<=(SoftExtended a, SoftExtended b) {
    return a.Ordered() && b.Ordered() && Compare(a, b) <= 0;
  }
  friend bool operator>(SoftExtended a, SoftExtended b) { return b < a; }
  friend bool operator>=(SoftExtended a, SoftExtended b) { return b <= a; }

  // Not a NaN, nor an encoding the unit rejects (which it treats as one).
  bool Ordered() const {
    const int e = signExponent_ & kMaxExponent;
    if (e == kMaxExponent) return significand_ == kLead;
    return e == 0 || (significand_ & kLead) != 0;
  }

 private:
  __extension__ typedef unsigned __int128 Wide;
  static constexpr int kBias = 16383;
  static constexpr std::uint16_t kSign = 0x8000;
  static constexpr std::uint16_t kMaxExponent = 0x7FFF;
  static constexpr std::uint64_t kLead = std::uint64_t{1} << 63;

  static bool BothNormal(SoftExtended a, SoftExtended b) {
    const auto normal = [](SoftExtended x) {
      const int e = x.signExponent_ & kMaxExponent;
      return e != 0 && e != kMaxExponent && (x.significand_ & kLead) != 0;
    };
    return normal(a) && normal(b);
  }

  // high:low x 2^(biased - 16383 - 63), high's leading bit set, rounded to nearest (ties to
  // even) on high's last bit.
  static SoftExtended RoundNormal(std::uint16_t sign, int biased, std::uint64_t high,
                                  std::uint64_t low) {
    if (biased < 1 || biased >= kMaxExponent - 1) return RoundUnusual(sign, biased, high, low);
    if (low > kLead || (low == kLead && (high & 1) != 0)) {
      if (++high == 0) {
        high = kLead;
        ++biased;
      }
    }
    return FromBits(static_cast<std::uint16_t>(sign | biased), high);
  }

  // Sum, or difference when subtract is the sign bit. The smaller magnitude is shifted right
  // into a second word; what falls off that word is kept as one sticky bit at its bottom, far
  // below the half-way point the rounding looks at.
  static SoftExtended Add(SoftExtended a, SoftExtended b, std::uint16_t subtract) {
    if (!BothNormal(a, b)) return AddUnusual(a, b, subtract);
    b.signExponent_ ^= subtract;
    if ((a.signExponent_ & kMaxExponent) < (b.signExponent_ & kMaxExponent) ||
        ((a.signExponent_ & kMaxExponent) == (b.signExponent_ & kMaxExponent) &&
         a.significand_ < b.significand_)) {
      std::swap(a, b);
    }
    int biased = a.signExponent_ & kMaxExponent;
    const int gap = biased - (b.signExponent_ & kMaxExponent);
    const std::uint64_t mb = b.significand_;
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    if (gap == 0) {
      high = mb;
    } else if (gap < 64) {
      high = mb >> gap;
      low = mb << (64 - gap);
    } else if (gap == 64) {
      low = mb;
    } else if (gap < 128) {
      low = (mb >> (gap - 64)) | ((mb << (128 - gap)) != 0 ? 1 : 0);
    } else {
      low = 1;
    }
    const std::uint16_t sign = a.signExponent_ & kSign;
    if (sign == (b.signExponent_ & kSign)) {
      std::uint64_t sum = a.significand_ + high;
      if (sum < high) {  // carried into a 65th bit
        low = (low >> 1) | (low & 1) | (sum << 63);
        sum = (sum >> 1) | kLead;
        ++biased;
      }
      return RoundNormal(sign, biased, sum, low);
    }
    std::uint64_t difference = a.significand_ - high - (low != 0 ? 1 : 0);
    low = std::uint64_t{0} - low;
    if (difference == 0) {
      if (low == 0) return SoftExtended();  // exact cancellation gives +0
      difference = low;                     // only when nothing was shifted off: exact
      low = 0;
      biased -= 64;
    }
    const int shift = std::countl_zero(difference);
    if (shift != 0) {
      difference = (difference << shift) | (low >> (64 - shift));
      low <<= shift;
      biased -= shift;
    }
    return RoundNormal(sign, biased, difference, low);
  }

  // The order of two ordered values: -1, 0 or 1. Magnitudes go by the exponent field, then by
  // the significand; -0 and +0 are one value.
  static int Compare(SoftExtended a, SoftExtended b) {
    const auto exponent = [](SoftExtended x) {
      const int e = x.signExponent_ & kMaxExponent;
      return e == 0 && (x.significand_ & kLead) != 0 ? 1 : e;  // a pseudo-denormal is normal
    };
    const auto negative = [](SoftExtended x) {
      return (x.signExponent_ & kSign) != 0 &&
             ((x.signExponent_ & kMaxExponent) != 0 || x.significand_ != 0);
    };
    const bool negA = negative(a);
    if (negA != negative(b)) return negA ? -1 : 1;
    const int ea = exponent(a), eb = exponent(b);
    int magnitude = 0;
    if (ea != eb) {
      magnitude = ea < eb ? -1 : 1;
    } else if (a.significand_ != b.significand_) {
      magnitude = a.significand_ < b.significand_ ? -1 : 1;
    }
    return negA ? -magnitude : magnitude;
  }

  // The general ways, in extended.cpp.
  // (Scalars in and out: nothing needs the stack in the short ways.)
  static std::uint64_t UnusualDoubleSignificand(std::uint64_t bits);
  static std::uint16_t UnusualDoubleSignExponent(std::uint64_t bits);
  static double ToUnusualDouble(std::uint16_t signExponent, std::uint64_t significand);
  static std::int64_t ToUnusualInteger(std::uint16_t signExponent, std::uint64_t significand);
  static SoftExtended RoundUnusual(std::uint16_t sign, int biased, std::uint64_t high,
                                   std::uint64_t low);
  static SoftExtended AddUnusual(SoftExtended a, SoftExtended b, std::uint16_t subtract);
  static SoftExtended MultiplyUnusual(SoftExtended a, SoftExtended b);

  std::uint64_t significand_ = 0;
  std::uint16_t signExponent_ = 0;
};

// Correctly rounded, as the x87 square root is.
SoftExtended Sqrt(SoftExtended v);
// Computed in the platform's long double and rounded to 64 bits. With a 113-bit long double,
// whose cosine and sine lie within a unit in their last place of the true values, that is the
// correctly rounded 64-bit result but for arguments whose true result lies within about 2^-112
// (relative) of a point half-way between two 64-bit values; so it matches glibc's x87 cosl and
// sinl wherever those are correctly rounded.
SoftExtended Cos(SoftExtended v);
SoftExtended Sin(SoftExtended v);
bool IsNan(SoftExtended v);

#if LDBL_MANT_DIG == 64 && !defined(FROTHY_SOFT_EXTENDED)
using Extended = long double;
inline long double Sqrt(long double v) {
  return std::sqrt(v);
}
inline long double Cos(long double v) {
  return std::cos(v);
}
inline long double Sin(long double v) {
  return std::sin(v);
}
inline bool IsNan(long double v) {
  return std::isnan(v);
}
#else
using Extended = SoftExtended;
#endif

}  // namespace game
