#include "address/inet.h"

#include <bit>
#include <charconv>
#include <cstring>

#include "common/bytes.h"
#include "common/short_text.h"

namespace korvel {

namespace {

constexpr bool is_digit(char c) noexcept {
  return c >= '0' && c <= '9';
}

// The value of each byte as a hex digit, -1 for the others: one load in the
// IPv6 parser's inner loop instead of three range tests.
struct hex_digits {
  signed char value[256];
  constexpr hex_digits() : value() {
    for (int c = 0; c < 256; ++c) {
      value[c] = c >= '0' && c <= '9'   ? static_cast<signed char>(c - '0')
                 : c >= 'a' && c <= 'f' ? static_cast<signed char>(c - 'a' + 10)
                 : c >= 'A' && c <= 'F' ? static_cast<signed char>(c - 'A' + 10)
                                        : -1;
    }
  }
};
constexpr hex_digits kHexDigits;

int hex_value(char c) noexcept {
  return kHexDigits.value[static_cast<unsigned char>(c)];
}

// Four decimal parts of one to three digits, each at most 255, no leading
// zero but in '0' itself (Python refuses them, as glibc does, since other
// parsers read them as octal). Returns where the text goes on after the
// fourth part, or nullptr.
const char* read_ipv4(const char* at, const char* end, std::uint8_t* out) noexcept {
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (at == end || *at != '.') return nullptr;
      ++at;
    }
    const auto digit = [&](int i) { return static_cast<unsigned char>(at[i]) - unsigned{'0'}; };
    unsigned value = 0;
    unsigned length = 0;
    if (end - at >= 3) {
      // Three bytes are there to read: the part's length and value without
      // a branch on either, since part lengths follow no pattern a
      // predictor could learn.
      const unsigned first = digit(0), second = digit(1), third = digit(2);
      const bool two = second <= 9;
      const bool three = two && third <= 9;
      length = 1 + unsigned{two} + unsigned{three};
      const unsigned tens = first * 10 + second;
      value = three ? tens * 10 + third : two ? tens : first;
      if (first > 9) return nullptr;
    } else {
      if (at == end || digit(0) > 9) return nullptr;
      value = digit(0);
      length = 1;
      if (end - at == 2 && digit(1) <= 9) {
        value = value * 10 + digit(1);
        length = 2;
      }
    }
    if (value > 255 || (length > 1 && at[0] == '0')) return nullptr;
    out[part] = static_cast<std::uint8_t>(value);
    at += length;
  }
  return at;
}

bool parse_ipv4(std::string_view text, std::uint8_t* out) noexcept {
  const char* const end = text.data() + text.size();
  return read_ipv4(text.data(), end, out) == end;
}

// Where an IPv6 address's groups end: the end, its zone's '%' or the
// network's '/'.
bool ends_groups(const char* at, const char* end) noexcept {
  return at == end || *at == '%' || *at == '/';
}

// The groups of an IPv6 text in one pass, up to the end, a '%' or a '/':
// one to four hex digits between single colons, one '::' at most standing
// for one zero group or more, a ':' at either end only as part of '::', and
// the last 32 bits possibly dotted IPv4. This is Python's reading (it splits
// at ':' and checks the parts) and glibc's inet_pton's; the fuzzer and the
// differential test hold it to both. Returns where the groups end, or
// nullptr.
const char* read_ipv6(const char* at, const char* end, std::uint8_t* out) noexcept {
  unsigned groups[8];
  int count = 0;
  int gap = -1;  // where the '::' stands, in groups
  if (at != end && *at == ':') {
    if (end - at < 2 || at[1] != ':') return nullptr;
    gap = 0;
    at += 2;
  }
  while (!ends_groups(at, end)) {
    const char* const start = at;
    unsigned value = 0;
    int digits = 0;
    for (int digit; at != end && (digit = hex_value(*at)) >= 0; ++at) {
      if (++digits > 4) return nullptr;
      value = value * 16 + static_cast<unsigned>(digit);
    }
    if (at != end && *at == '.') {
      std::uint8_t ipv4[4];
      if (count > 6) return nullptr;
      at = read_ipv4(start, end, ipv4);
      if (at == nullptr || !ends_groups(at, end)) return nullptr;
      groups[count++] = unsigned{ipv4[0]} << 8 | ipv4[1];
      groups[count++] = unsigned{ipv4[2]} << 8 | ipv4[3];
      break;
    }
    if (digits == 0 || count == 8) return nullptr;
    groups[count++] = value;
    if (ends_groups(at, end)) break;
    if (*at++ != ':' || ends_groups(at, end)) return nullptr;
    if (*at == ':') {
      if (gap >= 0) return nullptr;
      gap = count;
      ++at;
    }
  }
  if (gap >= 0 ? count > 7 : count != 8) return nullptr;
  const int zeros = 8 - count;
  for (int i = 0; i < 8; ++i) {
    unsigned group = 0;
    if (gap < 0 || i < gap) {
      group = groups[i];
    } else if (i >= gap + zeros) {
      group = groups[i - zeros];
    }
    out[2 * i] = static_cast<std::uint8_t>(group >> 8);
    out[2 * i + 1] = static_cast<std::uint8_t>(group & 0xFF);
  }
  return at;
}

// A prefix length in decimal: leading zeros are fine, as Python's int()
// takes them, up to the 4300 digits that int() converts by default.
bool parse_prefix_length(std::string_view text, unsigned bits, unsigned& out) noexcept {
  if (text.empty() || text.size() > 4300) return false;
  unsigned value = 0;
  for (const char c : text) {
    if (!is_digit(c)) return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
    if (value > bits) return false;
  }
  out = value;
  return true;
}

// Leading ones of a mask of the form 1*0*, or -1.
int mask_length(std::uint32_t mask) noexcept {
  const std::uint32_t inverse = ~mask;
  if ((inverse & (inverse + 1)) != 0) return -1;
  int ones = 0;
  while (ones < 32 && (mask & (0x80000000u >> ones)) != 0) ++ones;
  return ones;
}

// An IPv4 network's mask may also be written as a netmask ('255.255.0.0')
// or a hostmask ('0.0.255.255'); all zeros and all ones read as netmasks.
bool parse_ipv4_mask(std::string_view text, unsigned& out) noexcept {
  if (parse_prefix_length(text, 32, out)) return true;
  std::uint8_t bytes[4];
  if (!parse_ipv4(text, bytes)) return false;
  const std::uint32_t mask = std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
                             std::uint32_t{bytes[2]} << 8 | bytes[3];
  int length = mask_length(mask);
  if (length < 0) length = mask_length(~mask);
  if (length < 0) return false;
  out = static_cast<unsigned>(length);
  return true;
}

// The bits of byte `index` that a prefix of `prefix` bits covers.
std::uint8_t prefix_mask(unsigned prefix, unsigned index) noexcept {
  const unsigned first = index * 8;
  if (prefix >= first + 8) return 0xFF;
  if (prefix <= first) return 0;
  return static_cast<std::uint8_t>(0xFF00u >> (prefix - first));
}

unsigned byte_count(const inet_value& value) noexcept {
  return value.family == 4 ? 4 : 16;
}

char* write_ipv4(const std::uint8_t* bytes, char* out) noexcept {
  for (int i = 0; i < 4; ++i) {
    if (i > 0) *out++ = '.';
    out = std::to_chars(out, out + 3, unsigned{bytes[i]}).ptr;
  }
  return out;
}

bool ipv4_mapped(const std::uint8_t* bytes) noexcept {
  static constexpr std::uint8_t kMapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
  return std::memcmp(bytes, kMapped, sizeof kMapped) == 0;
}

// RFC 5952: lower-case hex without leading zeros, the longest run of two
// zero hextets or more (the first of equals) as '::'.
char* write_ipv6(const std::uint8_t* bytes, char* out) noexcept {
  if (ipv4_mapped(bytes)) {
    std::memcpy(out, "::ffff:", 7);
    return write_ipv4(bytes + 12, out + 7);
  }
  unsigned hextets[8];
  for (int i = 0; i < 8; ++i) hextets[i] = unsigned{bytes[2 * i]} << 8 | bytes[2 * i + 1];
  int best_start = -1;
  int best_length = 1;
  for (int i = 0; i < 8;) {
    if (hextets[i] != 0) {
      ++i;
      continue;
    }
    int end = i;
    while (end < 8 && hextets[end] == 0) ++end;
    if (end - i > best_length) {
      best_start = i;
      best_length = end - i;
    }
    i = end;
  }
  for (int i = 0; i < 8; ++i) {
    if (i == best_start) {
      *out++ = ':';
      if (i == 0) *out++ = ':';
      i += best_length - 1;
      continue;
    }
    out = std::to_chars(out, out + 4, hextets[i], 16).ptr;
    if (i != 7) *out++ = ':';
  }
  return out;
}

// Whether a ':' is among the first eight bytes, as in every IPv6 text (its
// first group has at most four digits) and in no IPv4 address or network:
// those go straight to the IPv6 reading, sparing them an IPv4 reading that
// fails after a varying number of digits.
bool starts_as_ipv6(std::string_view text) noexcept {
  if (std::endian::native != std::endian::little || text.size() < 8) {
    for (std::size_t i = 0; i < text.size() && i < 8; ++i) {
      if (text[i] == ':') return true;
    }
    return false;
  }
  std::uint64_t word;
  std::memcpy(&word, text.data(), 8);
  // Bytes equal to ':' become zero and are flagged (with at most false
  // flags above a true one).
  const std::uint64_t x = word ^ 0x3A3A3A3A3A3A3A3Aull;
  return ((x - 0x0101010101010101ull) & ~x & 0x8080808080808080ull) != 0;
}

}  // namespace

bool parse_inet(std::string_view text, inet_value& out) noexcept {
  out = inet_value{};
  const char* const end = text.data() + text.size();
  // IPv4 first, read up to the end or the '/' without a search for either.
  if (const char* stop = starts_as_ipv6(text) ? nullptr : read_ipv4(text.data(), end, out.bytes);
      stop != nullptr && (stop == end || *stop == '/')) {
    out.family = 4;
    out.prefix = 32;
    if (stop == end) return true;
    unsigned prefix = 0;
    const auto rest = static_cast<std::size_t>(end - stop - 1);
    if (!parse_ipv4_mask(std::string_view(stop + 1, rest), prefix)) return false;
    inet_widen(out, prefix);
    return true;
  }
  const char* stop = read_ipv6(text.data(), end, out.bytes);
  if (stop == nullptr) return false;
  out.family = 6;
  out.prefix = 128;
  if (stop != end && *stop == '%') {
    // The zone runs to the network's '/' or the end: not empty, no second
    // '%'.
    const char* const zone = stop + 1;
    const auto rest = static_cast<std::size_t>(end - zone);
    const void* const slash = std::memchr(zone, '/', rest);
    stop = slash != nullptr ? static_cast<const char*>(slash) : end;
    out.zone = std::string_view(zone, static_cast<std::size_t>(stop - zone));
    if (out.zone.empty() || out.zone.find('%') != std::string_view::npos) return false;
  }
  if (stop == end) return true;
  unsigned prefix = 0;
  if (!parse_prefix_length(std::string_view(stop + 1, static_cast<std::size_t>(end - stop - 1)),
                           128, prefix)) {
    return false;
  }
  inet_widen(out, prefix);
  return true;
}

unsigned inet_bits(const inet_value& value) noexcept {
  return value.family == 4 ? 32 : 128;
}

void inet_widen(inet_value& value, unsigned prefix) noexcept {
  value.prefix = static_cast<std::uint8_t>(prefix);
  value.written_as_network = true;
  for (unsigned i = 0; i < byte_count(value); ++i) value.bytes[i] &= prefix_mask(prefix, i);
}

void inet_first(inet_value& value) noexcept {
  value.prefix = static_cast<std::uint8_t>(inet_bits(value));
  value.written_as_network = false;
}

void inet_last(inet_value& value) noexcept {
  for (unsigned i = 0; i < byte_count(value); ++i) {
    value.bytes[i] |= static_cast<std::uint8_t>(~prefix_mask(value.prefix, i));
  }
  inet_first(value);
}

bool inet_contains(const inet_value& network, const inet_value& inner) noexcept {
  if (network.family != inner.family || inner.prefix < network.prefix) return false;
  for (unsigned i = 0; i < byte_count(network); ++i) {
    const std::uint8_t mask = prefix_mask(network.prefix, i);
    if ((inner.bytes[i] & mask) != network.bytes[i]) return false;
  }
  return true;
}

std::size_t format_inet(const inet_value& value, bool with_prefix, char* out) noexcept {
  char* end = value.family == 4 ? write_ipv4(value.bytes, out) : write_ipv6(value.bytes, out);
  if (!value.zone.empty()) {
    *end++ = '%';
    std::memcpy(end, value.zone.data(), value.zone.size());
    end += value.zone.size();
  }
  if (with_prefix) {
    *end++ = '/';
    end = std::to_chars(end, end + 3, unsigned{value.prefix}).ptr;
  }
  return static_cast<std::size_t>(end - out);
}

std::size_t write_inet_key(const inet_value& value,
                           unsigned char (&out)[INET_KEY_CAPACITY]) noexcept {
  const unsigned bytes = byte_count(value);
  out[0] = value.family;
  std::memcpy(out + 1, value.bytes, bytes);
  out[1 + bytes] = value.prefix;
  return 2 + bytes;
}

namespace {

#if defined(__SSE2__)

// Whether `text` is an IPv4 address without a prefix, exactly as
// read_ipv4() reads one: four parts of one to three digits, no leading
// zero, none above 255.
bool read_quad_text(std::string_view text, numbered_text& out) noexcept {
  const std::size_t size = text.size();
  if (std::endian::native != std::endian::little || size < 7 || size > 15) return false;
  out.bytes = load_short_text(text.data(), size);
  const __m128i bytes = register_of(out.bytes);
  const unsigned used = (1u << size) - 1;
  const unsigned dots = bytes_equal(bytes, '.');
  const unsigned digits = bytes_in(bytes, '0', 10);
  // Exactly three dots: the third lowest is set and alone once two are cleared.
  const unsigned after_one = dots & (dots - 1);
  const unsigned after_two = after_one & (after_one - 1);
  if ((dots | digits) != used || after_two == 0 || (after_two & (after_two - 1)) != 0) {
    return false;
  }
  // Parts of one to three digits: no '.' first, last or after another, and
  // no four digits in a row.
  const unsigned starts = (dots << 1 | 1) & used;
  if ((dots & (starts | 1u << (size - 1))) != 0 ||
      (digits & digits >> 1 & digits >> 2 & digits >> 3) != 0) {
    return false;
  }
  const unsigned zeros = bytes_equal(bytes, '0');
  if ((zeros & starts & digits >> 1) != 0) return false;
  // Three digits above 255: a first digit above 2, or 2 then above 5, or
  // 25 then above 5.
  const unsigned three = starts & digits >> 1 & digits >> 2;
  const unsigned twos = bytes_equal(bytes, '2');
  const unsigned fives = bytes_equal(bytes, '5');
  const unsigned above_two = bytes_in(bytes, '3', 7);
  const unsigned above_five = bytes_in(bytes, '6', 4);
  if ((three & (above_two | (twos & (above_five >> 1 | (fives >> 1 & above_five >> 2))))) != 0) {
    return false;
  }
  out.ends = dots | 1u << size;
  return true;
}

#else

// Without SSE2 the parser reads every address.
bool read_quad_text(std::string_view /*text*/, numbered_text& /*out*/) noexcept {
  return false;
}

#endif

// Eight address bytes in network order as one number; compilers make it one
// load and a byte swap.
std::uint64_t network_word(const std::uint8_t* bytes) noexcept {
  std::uint64_t word = 0;
  for (int i = 0; i < 8; ++i) word = word << 8 | bytes[i];
  return word;
}

int three_way(std::uint64_t a, std::uint64_t b) noexcept {
  return a < b ? -1 : a > b ? 1 : 0;
}

}  // namespace

int compare_inet_texts(std::string_view a, std::string_view b) noexcept {
  numbered_text a_quad{};
  numbered_text b_quad{};
  const bool a_is_quad = read_quad_text(a, a_quad);
  const bool b_is_quad = read_quad_text(b, b_quad);
  if (a_is_quad && b_is_quad) return compare_numbered_texts(a_quad, b_quad);
  if (a_is_quad != b_is_quad) {
    // Against a text that is not an address at all, or an IPv6 one, the
    // plain IPv4 address's place is known without its value.
    inet_value other;
    const bool other_valid = parse_inet(a_is_quad ? b : a, other);
    if (!other_valid || other.family == 6) {
      const int quad_side = other_valid ? -1 : 1;
      return a_is_quad ? quad_side : -quad_side;
    }
  }
  inet_value left;
  inet_value right;
  const bool left_valid = parse_inet(a, left);
  const bool right_valid = parse_inet(b, right);
  if (left_valid != right_valid) return left_valid ? 1 : -1;
  if (left_valid) {
    // The key's order: family, the address as a number (IPv4 leaves the
    // other bytes zero), the prefix.
    int order = three_way(left.family, right.family);
    if (order == 0) order = three_way(network_word(left.bytes), network_word(right.bytes));
    if (order == 0) order = three_way(network_word(left.bytes + 8), network_word(right.bytes + 8));
    if (order == 0) order = three_way(left.prefix, right.prefix);
    if (order != 0) return order;
  }
  return byte_order(a, b);
}

}  // namespace korvel
