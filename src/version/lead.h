// A version's lead: what the first few bytes of a text say about where it
// sorts, as an interval [lo, hi] of 64-bit values. For two texts a scheme
// accepts, a.hi < b.lo means a orders before b (so equivalent versions'
// leads overlap). The aggregates keep their winner's lead and pass over a
// row whose lead lies wholly on the losing side without reading the row as
// a version, which is most rows of a scan.
//
// A scheme packs its lead as fields from the most significant bit down,
// each a monotone image of a part of the version, in a fixed width or a
// code no other value's is a prefix of, so that leads compare as the parts
// do. A field that merges values (a clamped or saturated number) fills
// every field after it with ones, so that texts merged there stay equal;
// an unknown rest spans all values of the fields after it.
#pragma once

#include <cstdint>
#include <string_view>

namespace korvel {

struct version_lead {
  std::uint64_t lo;
  std::uint64_t hi;
};

// What a scheme answers for a text it does not read: any place at all.
inline constexpr version_lead kUnknownLead{0, ~std::uint64_t{0}};

// Whether a row whose lead is `row` must lose against a winner whose lead is
// `winner` on `side` (1: the row must sort after it to win, -1: before).
[[nodiscard]] inline bool lead_loses(version_lead row, version_lead winner, int side) noexcept {
  return side > 0 ? row.hi < winner.lo : row.lo > winner.hi;
}

// A lead is read against another's bound when all that is asked is which
// side of it the lead lies on: once the fields read so far differ from the
// bound's, the rest of the text cannot change the answer, and the reading
// may stop there with rest_unknown().
class lead_packer {
 public:
  // `against`: the bound, or nullptr for the whole lead.
  explicit lead_packer(const std::uint64_t* against) noexcept : against_(against) {}

  // `field` (below 2^bits) as the next field. Fields past the 64th bit are
  // cut off: texts that differ only there share a lead.
  void put(std::uint64_t field, unsigned bits) noexcept {
    if (merged_ || bits == 0 || used_ == 64) return;
    if (bits > 64 - used_) {
      field >>= bits - (64 - used_);
      bits = 64 - used_;
    }
    used_ += bits;
    value_ |= field << (64 - used_);
  }

  // Whether the fields so far already differ from the bound's.
  [[nodiscard]] bool apart() const noexcept {
    return against_ != nullptr && used_ != 0 && ((value_ ^ *against_) >> (64 - used_)) != 0;
  }

  // A number, clamped to the field's largest value, which then stands for
  // every number from it up.
  void clamped(std::uint64_t number, unsigned bits) noexcept {
    const std::uint64_t top = (std::uint64_t{1} << bits) - 1;
    put(number < top ? number : top, bits);
    if (number >= top) merged_ = true;
  }

  // A number of any size in as many bits as it needs: its bit length n as n
  // ones and a zero, then its bits below the top one. Shorter numbers are
  // smaller, so the fields after it keep their order.
  void sized(std::uint64_t number) noexcept {
    const unsigned length = number == 0 ? 0 : 64 - static_cast<unsigned>(__builtin_clzll(number));
    if (length == 0) {
      put(0, 1);
    } else if (length <= 32) {  // the usual number, in one field
      const std::uint64_t ones = (std::uint64_t{1} << length) - 1;
      put(ones << length | (number & ones >> 1), 2 * length);
    } else {
      put(~std::uint64_t{0} >> (64 - length), length);
      put(0, 1);
      put(number & (~std::uint64_t{0} >> (65 - length)), length - 1);
    }
    // lead_number()'s saturated value stands for every larger number too.
    if (number == ~std::uint64_t{0}) merged_ = true;
  }

  // The next field lies anywhere in [low, high], and the fields after it are
  // not known.
  [[nodiscard]] version_lead spanning(std::uint64_t low, std::uint64_t high,
                                      unsigned bits) const noexcept {
    if (merged_) return done();
    const unsigned shift = 64 - used_ - bits;
    const std::uint64_t below = shift == 0 ? 0 : ~std::uint64_t{0} >> (64 - shift);
    return {value_ | low << shift, value_ | high << shift | below};
  }

  // The lead of a text that filled every field.
  [[nodiscard]] version_lead done() const noexcept {
    const std::uint64_t rest = merged_ ? rest_ones() : 0;
    return {value_ | rest, value_ | rest};
  }

  // The lead of a text whose fields after those put are not known.
  [[nodiscard]] version_lead rest_unknown() const noexcept {
    return {merged_ ? value_ | rest_ones() : value_, value_ | rest_ones()};
  }

 private:
  [[nodiscard]] std::uint64_t rest_ones() const noexcept {
    return used_ >= 64 ? 0 : ~std::uint64_t{0} >> used_;
  }

  const std::uint64_t* against_;
  std::uint64_t value_ = 0;
  unsigned used_ = 0;
  bool merged_ = false;
};

// The digits at `p` as a number, saturated at 2^64 - 1; `p` is left past
// them. Leading zeros count for nothing.
[[nodiscard]] inline std::uint64_t lead_number(const char*& p, const char* end) noexcept {
  const char* const start = p;
  std::uint64_t number = 0;
  for (; p != end && static_cast<unsigned char>(*p - '0') < 10; ++p)
    number = number * 10 + static_cast<unsigned>(*p - '0');
  if (p - start <= 19) return number;  // nineteen digits always fit
  number = 0;
  for (const char* q = start; q != p; ++q) {
    const auto digit = static_cast<unsigned>(*q - '0');
    if (number > (~std::uint64_t{0} - digit) / 10) return ~std::uint64_t{0};
    number = number * 10 + digit;
  }
  return number;
}

[[nodiscard]] inline bool lead_digit(const char* p, const char* end) noexcept {
  return p != end && static_cast<unsigned char>(*p - '0') < 10;
}

// An epoch, the digits at `p` when `mark` follows them, as the next field
// of `epoch_bits` (0 when there is none), then the number that starts the
// rest as a field of `number_bits`; `p` is left past it. False where no
// number starts the rest, or where the epoch already tells the bound's
// side: the caller answers rest_unknown().
[[nodiscard]] inline bool lead_epoch(lead_packer& out, const char*& p, const char* end, char mark,
                                     unsigned epoch_bits, unsigned number_bits) noexcept {
  const char* const start = p;
  std::uint64_t number = lead_number(p, end);
  if (p != end && *p == mark) {
    out.clamped(number, epoch_bits);
    ++p;
    if (out.apart() || !lead_digit(p, end)) return false;
    number = lead_number(p, end);
  } else if (p == start) {
    return false;
  } else {
    out.put(0, epoch_bits);
  }
  out.clamped(number, number_bits);
  return true;
}

// A prerelease identifier's bytes in their order, 0 for any byte that ends
// one: '-', digits, capitals, small letters as 1, 2-11, 12-37, 38-63.
struct identifier_codes {
  unsigned char codes[256];
};

inline constexpr identifier_codes kIdentifierCodes = [] {
  identifier_codes table{};
  table.codes[static_cast<unsigned char>('-')] = 1;
  for (int c = 0; c < 10; ++c) table.codes['0' + c] = static_cast<unsigned char>(2 + c);
  for (int c = 0; c < 26; ++c) table.codes['A' + c] = static_cast<unsigned char>(12 + c);
  for (int c = 0; c < 26; ++c) table.codes['a' + c] = static_cast<unsigned char>(38 + c);
  return table;
}();

// MAJOR[.MINOR[.PATCH]] (a missing part 0), each sized, then a release
// (2) or a prerelease's first identifier: a number (0, then the number) or
// any other identifier (1, then its bytes, 6 bits each in their order, and
// 0 for its end). An optional 'v' first. For the orders of semantic
// versions; semver sees numbers past 2^53 through doubles, so those are
// all one there.
[[nodiscard]] inline version_lead triple_lead(std::string_view text,
                                              const std::uint64_t* against) noexcept {
  const char* p = text.data();
  const char* const end = p + text.size();
  if (p != end && *p == 'v') ++p;
  if (!lead_digit(p, end)) return kUnknownLead;
  lead_packer out(against);
  out.sized(lead_number(p, end));
  for (int part = 0; part < 2; ++part) {
    if (out.apart()) return out.rest_unknown();
    const bool more = p != end && *p == '.' && lead_digit(p + 1, end);
    if (more) ++p;
    out.sized(more ? lead_number(p, end) : 0);
  }
  if (p == end || *p != '-') {
    out.put(2, 2);
    return out.done();
  }
  if (out.apart()) return out.rest_unknown();
  const char* const id = ++p;
  while (lead_digit(p, end)) ++p;
  if (p != id && (p == end || kIdentifierCodes.codes[static_cast<unsigned char>(*p)] == 0)) {
    constexpr std::uint64_t kExact = std::uint64_t{1} << 53;
    p = id;
    const std::uint64_t number = lead_number(p, end);
    out.put(0, 2);
    out.sized(number < kExact ? number : kExact);
    return number < kExact ? out.done() : out.rest_unknown();
  }
  out.put(1, 2);
  for (p = id; p != end && kIdentifierCodes.codes[static_cast<unsigned char>(*p)] != 0; ++p) {
    out.put(kIdentifierCodes.codes[static_cast<unsigned char>(*p)], 6);
    if (out.apart()) return out.rest_unknown();
  }
  out.put(0, 6);
  return out.done();
}

}  // namespace korvel
