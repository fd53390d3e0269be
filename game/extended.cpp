#include "game/extended.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <utility>

namespace game {
namespace {

__extension__ typedef unsigned __int128 U128;

constexpr int kBias = 16383;
constexpr std::uint16_t kSign = 0x8000;
constexpr std::uint16_t kMaxExponent = 0x7FFF;  // infinities and NaNs
constexpr std::uint64_t kLead = std::uint64_t{1} << 63;
constexpr std::uint64_t kQuietBit = std::uint64_t{1} << 62;
// The x87 format's smallest normal exponent; below it the last bit stays at 2^(-16382 - 63).
constexpr int kMinExponent = 1 - kBias;
constexpr int kDoubleMinExponent = -1022;

enum class Kind { kZero, kFinite, kInfinity, kNan, kUnsupported };

// A value taken apart: finite ones are Significand x 2^Exponent with the leading bit of the
// significand set, denormals included.
struct Parts {
  Kind kind = Kind::kZero;
  bool negative = false;
  int exponent = 0;
  std::uint64_t significand = 0;
};

Parts Unpack(SoftExtended x) {
  Parts p;
  p.negative = (x.SignExponent() & kSign) != 0;
  const int e = x.SignExponent() & kMaxExponent;
  const std::uint64_t m = x.Significand();
  if (e == kMaxExponent) {
    if ((m & kLead) == 0) {
      p.kind = Kind::kUnsupported;  // pseudo-infinity or pseudo-NaN
    } else {
      p.kind = (m << 1) == 0 ? Kind::kInfinity : Kind::kNan;
    }
    return p;
  }
  if (e == 0) {
    if (m == 0) return p;
    // Denormal (or pseudo-denormal): the exponent of the smallest normal, no implicit bit.
    const int shift = std::countl_zero(m);
    p.kind = Kind::kFinite;
    p.significand = m << shift;
    p.exponent = kMinExponent - 63 - shift;
    return p;
  }
  if ((m & kLead) == 0) {
    p.kind = Kind::kUnsupported;  // unnormal
    return p;
  }
  p.kind = Kind::kFinite;
  p.significand = m;
  p.exponent = e - kBias - 63;
  return p;
}

// std::bit_cast is missing from the browser build's library.
std::uint64_t BitsOf(double v) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &v, sizeof bits);
  return bits;
}
double DoubleOf(std::uint64_t bits) {
  double v = 0;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

int LeadingBit(U128 v) {
  const auto high = static_cast<std::uint64_t>(v >> 64);
  return high != 0 ? 127 - std::countl_zero(high)
                   : 63 - std::countl_zero(static_cast<std::uint64_t>(v));
}

// Significand x 2^Exponent with at most `bits` bits; a zero significand is a zero.
struct Rounded {
  std::uint64_t significand;
  int exponent;
};

// Rounds v x 2^exponent (v > 0) to nearest, ties to even, keeping `bits` bits but none below
// 2^(minExponent - bits + 1), where the format's denormals have their last bit.
Rounded Round(U128 v, int exponent, int bits, int minExponent) {
  const int last = std::max(exponent + LeadingBit(v) - (bits - 1), minExponent - (bits - 1));
  const int shift = last - exponent;
  if (shift <= 0) return {static_cast<std::uint64_t>(v << -shift), last};  // exact
  if (shift > 128) return {0, last};  // below half of the last bit
  const U128 kept = shift == 128 ? 0 : v >> shift;
  const U128 rest = shift == 128 ? v : v & ((U128{1} << shift) - 1);
  const U128 half = U128{1} << (shift - 1);
  U128 result = kept;
  if (rest > half || (rest == half && (kept & 1) != 0)) ++result;
  if ((result >> bits) != 0) return {static_cast<std::uint64_t>(result >> 1), last + 1};
  return {static_cast<std::uint64_t>(result), last};
}

SoftExtended Make(bool negative, std::uint16_t exponent, std::uint64_t significand) {
  return SoftExtended::FromBits(static_cast<std::uint16_t>((negative ? kSign : 0) | exponent),
                                significand);
}

SoftExtended Infinity(bool negative) {
  return Make(negative, kMaxExponent, kLead);
}
SoftExtended Zero(bool negative) {
  return Make(negative, 0, 0);
}
// What the unit gives for an invalid operation.
SoftExtended DefaultNan() {
  return Make(true, kMaxExponent, kLead | kQuietBit);
}

SoftExtended Pack(bool negative, U128 v, int exponent) {
  if (v == 0) return Zero(negative);
  const Rounded r = Round(v, exponent, 64, kMinExponent);
  if (r.significand == 0) return Zero(negative);
  if ((r.significand & kLead) == 0) return Make(negative, 0, r.significand);  // denormal
  const int biased = r.exponent + 63 + kBias;
  if (biased >= kMaxExponent) return Infinity(negative);
  return Make(negative, static_cast<std::uint16_t>(biased), r.significand);
}

SoftExtended Quiet(SoftExtended x) {
  return SoftExtended::FromBits(x.SignExponent(), x.Significand() | kQuietBit);
}

// A NaN operand wins; of two, the one with the larger significand, or the positive one of two
// that differ only in sign; made quiet.
SoftExtended PickNan(SoftExtended a, const Parts& pa, SoftExtended b, const Parts& pb) {
  if (pa.kind == Kind::kNan && pb.kind == Kind::kNan) {
    if (a.Significand() != b.Significand()) {
      return Quiet(a.Significand() > b.Significand() ? a : b);
    }
    return Quiet(pa.negative ? b : a);
  }
  return Quiet(pa.kind == Kind::kNan ? a : b);
}

bool EitherNan(const Parts& a, const Parts& b) {
  return a.kind == Kind::kNan || b.kind == Kind::kNan;
}
bool EitherUnsupported(const Parts& a, const Parts& b) {
  return a.kind == Kind::kUnsupported || b.kind == Kind::kUnsupported;
}

}  // namespace

SoftExtended SoftExtended::AddUnusual(SoftExtended a, SoftExtended b, std::uint16_t subtract) {
  const Parts pa = Unpack(a);
  Parts pb = Unpack(b);
  if (EitherUnsupported(pa, pb)) return DefaultNan();
  if (EitherNan(pa, pb)) return PickNan(a, pa, b, pb);
  pb.negative = pb.negative != (subtract != 0);
  if (pa.kind == Kind::kInfinity || pb.kind == Kind::kInfinity) {
    if (pa.kind == Kind::kInfinity && pb.kind == Kind::kInfinity && pa.negative != pb.negative) {
      return DefaultNan();
    }
    return Infinity(pa.kind == Kind::kInfinity ? pa.negative : pb.negative);
  }
  if (pa.kind == Kind::kZero && pb.kind == Kind::kZero) {
    return Zero(pa.negative && pb.negative);  // -0 only from -0 + -0
  }
  if (pb.kind == Kind::kZero) return a;
  if (pa.kind == Kind::kZero) return subtract != 0 ? -b : b;

  // The larger magnitude first; the smaller is shifted right, everything shifted out kept as
  // one sticky bit, far below the bits the rounding looks at.
  const bool swap =
      pa.exponent < pb.exponent || (pa.exponent == pb.exponent && pa.significand < pb.significand);
  const Parts& big = swap ? pb : pa;
  const Parts& small = swap ? pa : pb;
  const int gap = big.exponent - small.exponent;
  const U128 x = U128{big.significand} << 62;
  U128 y = U128{small.significand} << 62;
  if (gap >= 126) {
    y = 1;
  } else if (gap > 0) {
    const bool lost = (y & ((U128{1} << gap) - 1)) != 0;
    y = (y >> gap) | (lost ? 1 : 0);
  }
  if (big.negative == small.negative) return Pack(big.negative, x + y, big.exponent - 62);
  if (x == y) return Zero(false);  // exact cancellation is +0 when rounding to nearest
  return Pack(big.negative, x - y, big.exponent - 62);
}

namespace {

SoftExtended FromUnusualDouble(std::uint64_t bits) {
  const bool negative = (bits >> 63) != 0;
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  if (((bits >> 52) & 0x7FF) == 0x7FF) {
    // Infinity, or a NaN whose payload moves to the top; a signalling one is made quiet.
    return fraction == 0 ? Infinity(negative)
                         : Make(negative, kMaxExponent, kLead | kQuietBit | (fraction << 11));
  }
  return fraction == 0 ? Zero(negative) : Pack(negative, fraction, kDoubleMinExponent - 52);
}

}  // namespace

std::uint64_t SoftExtended::UnusualDoubleSignificand(std::uint64_t bits) {
  return FromUnusualDouble(bits).Significand();
}
std::uint16_t SoftExtended::UnusualDoubleSignExponent(std::uint64_t bits) {
  return FromUnusualDouble(bits).SignExponent();
}

double SoftExtended::ToUnusualDouble(std::uint16_t signExponent, std::uint64_t significand) {
  const Parts p = Unpack(FromBits(signExponent, significand));
  const std::uint64_t sign = p.negative ? std::uint64_t{1} << 63 : 0;
  constexpr std::uint64_t kInfinityBits = std::uint64_t{0x7FF} << 52;
  std::uint64_t bits = sign;
  switch (p.kind) {
    case Kind::kZero:
      break;
    case Kind::kInfinity:
      bits |= kInfinityBits;
      break;
    case Kind::kUnsupported:
      bits = BitsOf(static_cast<double>(DefaultNan()));
      break;
    case Kind::kNan:
      // The top of the payload, made quiet.
      bits |= kInfinityBits | (std::uint64_t{1} << 51) | ((significand & ~kLead) >> 11);
      break;
    case Kind::kFinite: {
      const Rounded r = Round(p.significand, p.exponent, 53, kDoubleMinExponent);
      if (r.significand == 0) break;
      if ((r.significand >> 52) == 0) {
        bits |= r.significand;  // subnormal
        break;
      }
      const int biased = r.exponent + 52 + 1023;
      if (biased >= 0x7FF) {
        bits |= kInfinityBits;
      } else {
        bits |= (static_cast<std::uint64_t>(biased) << 52) |
                (r.significand & ((std::uint64_t{1} << 52) - 1));
      }
      break;
    }
  }
  return DoubleOf(bits);
}

std::int64_t SoftExtended::ToUnusualInteger(std::uint16_t signExponent, std::uint64_t significand) {
  constexpr std::int64_t kIndefinite = std::numeric_limits<std::int64_t>::min();
  const Parts p = Unpack(FromBits(signExponent, significand));
  if (p.kind == Kind::kZero) return 0;
  if (p.kind != Kind::kFinite) return kIndefinite;
  if (p.exponent >= 0) return kIndefinite;  // 2^63 or more: only -2^63 fits, and it is that
  if (p.exponent <= -64) return 0;
  const auto magnitude = static_cast<std::int64_t>(p.significand >> -p.exponent);  // below 2^63
  return p.negative ? -magnitude : magnitude;
}

long double SoftExtended::ToLongDouble() const {
  const Parts p = Unpack(*this);
  const long double sign = p.negative ? -1.0L : 1.0L;
  switch (p.kind) {
    case Kind::kZero:
      return sign * 0.0L;
    case Kind::kInfinity:
      return sign * std::numeric_limits<long double>::infinity();
    case Kind::kFinite:
      return sign * std::ldexp(static_cast<long double>(p.significand), p.exponent);
    case Kind::kNan:
    case Kind::kUnsupported:
      break;
  }
  return std::numeric_limits<long double>::quiet_NaN();
}

SoftExtended SoftExtended::FromLongDouble(long double v) {
  const bool negative = std::signbit(v);
  if (std::isnan(v)) return DefaultNan();
  if (std::isinf(v)) return Infinity(negative);
  if (v == 0) return Zero(negative);
  // Up to 128 bits of the significand, in two 64-bit halves taken off exactly.
  int exponent = 0;
  const long double fraction = std::ldexp(std::fabs(std::frexp(v, &exponent)), 64);
  const long double highPart = std::floor(fraction);
  const auto high = static_cast<std::uint64_t>(highPart);
  const auto low = static_cast<std::uint64_t>(std::ldexp(fraction - highPart, 64));
  return Pack(negative, (U128{high} << 64) | low, exponent - 128);
}

SoftExtended SoftExtended::RoundUnusual(std::uint16_t sign, int biased, std::uint64_t high,
                                        std::uint64_t low) {
  return Pack(sign != 0, (U128{high} << 64) | low, biased - kBias - 127);
}

SoftExtended SoftExtended::MultiplyUnusual(SoftExtended a, SoftExtended b) {
  const Parts pa = Unpack(a);
  const Parts pb = Unpack(b);
  if (EitherUnsupported(pa, pb)) return DefaultNan();
  if (EitherNan(pa, pb)) return PickNan(a, pa, b, pb);
  const bool negative = pa.negative != pb.negative;
  if (pa.kind == Kind::kInfinity || pb.kind == Kind::kInfinity) {
    if (pa.kind == Kind::kZero || pb.kind == Kind::kZero) return DefaultNan();
    return Infinity(negative);
  }
  if (pa.kind == Kind::kZero || pb.kind == Kind::kZero) return Zero(negative);
  return Pack(negative, U128{pa.significand} * pb.significand, pa.exponent + pb.exponent);
}

SoftExtended operator/(SoftExtended a, SoftExtended b) {
  const Parts pa = Unpack(a);
  const Parts pb = Unpack(b);
  if (EitherUnsupported(pa, pb)) return DefaultNan();
  if (EitherNan(pa, pb)) return PickNan(a, pa, b, pb);
  const bool negative = pa.negative != pb.negative;
  if (pa.kind == Kind::kInfinity) {
    return pb.kind == Kind::kInfinity ? DefaultNan() : Infinity(negative);
  }
  if (pb.kind == Kind::kInfinity) return Zero(negative);
  if (pb.kind == Kind::kZero) return pa.kind == Kind::kZero ? DefaultNan() : Infinity(negative);
  if (pa.kind == Kind::kZero) return Zero(negative);
  // 64 or 65 quotient bits, one more from the remainder, and a sticky bit for what is left.
  const U128 numerator = U128{pa.significand} << 64;
  const U128 quotient = numerator / pb.significand;
  const U128 twice = (numerator % pb.significand) << 1;
  const bool guard = twice >= pb.significand;
  const bool sticky = (guard ? twice - pb.significand : twice) != 0;
  const U128 v = (((quotient << 1) | (guard ? 1 : 0)) << 1) | (sticky ? 1 : 0);
  return Pack(negative, v, pa.exponent - pb.exponent - 66);
}

SoftExtended Sqrt(SoftExtended v) {
  const Parts p = Unpack(v);
  if (p.kind == Kind::kUnsupported) return DefaultNan();
  if (p.kind == Kind::kNan) return Quiet(v);
  if (p.kind == Kind::kZero) return v;  // keeps the sign of -0
  if (p.negative) return DefaultNan();
  if (p.kind == Kind::kInfinity) return v;
  // An even exponent leaves a 127- or 128-bit radicand whose root has 64 bits; digit by digit,
  // the remainder then tells whether the true root lies above the half-way point (it is never
  // on it).
  const bool odd = (p.exponent & 1) != 0;
  const U128 radicand = U128{p.significand} << (odd ? 63 : 64);
  const int exponent = (p.exponent - (odd ? 63 : 64)) / 2;
  U128 rest = radicand;
  U128 root = 0;
  U128 bit = U128{1} << 126;
  while (bit != 0) {
    if (rest >= root + bit) {
      rest -= root + bit;
      root = (root >> 1) + bit;
    } else {
      root >>= 1;
    }
    bit >>= 2;
  }
  const U128 v2 = (root << 1) | (rest > root ? 1 : 0);  // one more bit: above half or below
  return Pack(false, (v2 << 1) | (rest != 0 ? 1 : 0), exponent - 2);
}

namespace {

SoftExtended ViaLongDouble(SoftExtended v, long double (*f)(long double)) {
  const Parts p = Unpack(v);
  if (p.kind == Kind::kNan) return Quiet(v);
  if (p.kind != Kind::kFinite && p.kind != Kind::kZero) return DefaultNan();
  return SoftExtended::FromLongDouble(f(v.ToLongDouble()));
}

}  // namespace

SoftExtended Cos(SoftExtended v) {
  return ViaLongDouble(v, [](long double x) { return std::cos(x); });
}
SoftExtended Sin(SoftExtended v) {
  return ViaLongDouble(v, [](long double x) { return std::sin(x); });
}

bool IsNan(SoftExtended v) {
  return !v.Ordered();
}

}  // namespace game
