#pragma once

#include <cstdint>
#include <initializer_list>

// A set of the values of a small enumeration (at most 32 values, numbered
// from 0): `TShiftState{ssShift, ssLeft}`, `shift.Contains(ssLeft)`.
template <typename E>
class TSet {
 public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> values) {
    for (E value : values)
      FBits |= Bit(value);
  }

  constexpr bool Contains(E value) const { return (FBits & Bit(value)) != 0; }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr TSet& Include(E value) {
    FBits |= Bit(value);
    return *this;
  }
  constexpr TSet& Exclude(E value) {
    FBits &= ~Bit(value);
    return *this;
  }
  constexpr TSet operator+(TSet other) const { return FromBits(FBits | other.FBits); }
  constexpr TSet operator-(TSet other) const { return FromBits(FBits & ~other.FBits); }
  constexpr TSet operator*(TSet other) const { return FromBits(FBits & other.FBits); }
  constexpr bool operator==(const TSet&) const = default;
  constexpr uint32_t Bits() const { return FBits; }
  static constexpr TSet FromBits(uint32_t bits) {
    TSet set;
    set.FBits = bits;
    return set;
  }

 private:
  static constexpr uint32_t Bit(E value) { return uint32_t{1} << static_cast<unsigned>(value); }
  uint32_t FBits = 0;
};
