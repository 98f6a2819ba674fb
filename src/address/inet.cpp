#include "address/inet.h"

#include <charconv>
#include <cstring>

#include "common/bytes.h"

namespace korvel {

namespace {

constexpr bool is_digit(char c) noexcept {
  return c >= '0' && c <= '9';
}

constexpr int hex_value(char c) noexcept {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string_view slice(std::string_view text, std::size_t from, std::size_t to) noexcept {
  return {text.data() + from, to - from};
}

// Four decimal parts of one to three digits, each at most 255, no leading
// zero but in '0' itself (Python refuses them, as glibc does, since other
// parsers read them as octal).
bool parse_ipv4(std::string_view text, std::uint8_t* out) noexcept {
  const std::size_t size = text.size();
  std::size_t at = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (at >= size || text[at] != '.') return false;
      ++at;
    }
    const std::size_t start = at;
    unsigned value = 0;
    while (at < size && at - start < 3 && is_digit(text[at])) {
      value = value * 10 + static_cast<unsigned>(text[at] - '0');
      ++at;
    }
    if (at == start || value > 255 || (at - start > 1 && text[start] == '0')) return false;
    out[part] = static_cast<std::uint8_t>(value);
  }
  return at == size;
}

// One to four hex digits.
bool parse_hextet(std::string_view part, std::uint16_t& out) noexcept {
  if (part.empty() || part.size() > 4) return false;
  unsigned value = 0;
  for (const char c : part) {
    const int digit = hex_value(c);
    if (digit < 0) return false;
    value = value * 16 + static_cast<unsigned>(digit);
  }
  out = static_cast<std::uint16_t>(value);
  return true;
}

// Python's reading of an IPv6 text without its zone: 3 to 9 ':'-separated
// parts, the last one possibly dotted IPv4 (two parts' worth), one '::' at
// most, standing for one zero part or more, a lone ':' only beside it.
bool parse_ipv6(std::string_view text, std::uint8_t* out) noexcept {
  constexpr int kMaxParts = 9;
  std::string_view parts[kMaxParts + 1];
  int count = 0;
  std::size_t start = 0;
  for (std::size_t at = 0; at <= text.size(); ++at) {
    if (at != text.size() && text[at] != ':') continue;
    if (count == kMaxParts) return false;
    parts[count++] = slice(text, start, at);
    start = at + 1;
  }
  if (count < 3) return false;
  std::uint16_t values[kMaxParts + 1] = {};
  bool preset[kMaxParts + 1] = {};
  if (parts[count - 1].find('.') != std::string_view::npos) {
    std::uint8_t ipv4[4];
    if (!parse_ipv4(parts[count - 1], ipv4) || count == kMaxParts) return false;
    values[count - 1] = static_cast<std::uint16_t>(ipv4[0] << 8 | ipv4[1]);
    values[count] = static_cast<std::uint16_t>(ipv4[2] << 8 | ipv4[3]);
    preset[count - 1] = preset[count] = true;
    parts[count - 1] = parts[count] = "x";  // not empty
    ++count;
  }
  int skip = -1;
  for (int i = 1; i < count - 1; ++i) {
    if (!parts[i].empty()) continue;
    if (skip >= 0) return false;
    skip = i;
  }
  int high = count;  // parts before the '::'
  int low = 0;       // parts after it
  if (skip >= 0) {
    high = skip;
    low = count - skip - 1;
    if (parts[0].empty() && --high != 0) return false;
    if (parts[count - 1].empty() && --low != 0) return false;
    if (high + low > 7) return false;
  } else if (count != 8 || parts[0].empty() || parts[count - 1].empty()) {
    return false;
  }
  std::uint16_t hextets[8] = {};
  for (int i = 0; i < high + low; ++i) {
    const int from = i < high ? i : count - (high + low) + i;
    const int to = i < high ? i : 8 - (high + low) + i;
    if (!preset[from] && !parse_hextet(parts[from], values[from])) return false;
    hextets[to] = values[from];
  }
  for (int i = 0; i < 8; ++i) {
    out[2 * i] = static_cast<std::uint8_t>(hextets[i] >> 8);
    out[2 * i + 1] = static_cast<std::uint8_t>(hextets[i] & 0xFF);
  }
  return true;
}

bool parse_address(std::string_view text, inet_value& out) noexcept {
  if (parse_ipv4(text, out.bytes)) {
    out.family = 4;
    out.prefix = 32;
    return true;
  }
  // The zone: everything after the first '%', not empty, no second '%'.
  const std::size_t percent = text.find('%');
  if (percent != std::string_view::npos) {
    out.zone = slice(text, percent + 1, text.size());
    if (out.zone.empty() || out.zone.find('%') != std::string_view::npos) return false;
    text = slice(text, 0, percent);
  }
  if (!parse_ipv6(text, out.bytes)) return false;
  out.family = 6;
  out.prefix = 128;
  return true;
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

}  // namespace

bool parse_inet(std::string_view text, inet_value& out) noexcept {
  out = inet_value{};
  const std::size_t slash = text.find('/');
  const std::string_view address = slash == std::string_view::npos ? text : slice(text, 0, slash);
  if (!parse_address(address, out)) return false;
  if (slash == std::string_view::npos) return true;
  const std::string_view mask = slice(text, slash + 1, text.size());
  unsigned prefix = 0;
  if (out.family == 4 ? !parse_ipv4_mask(mask, prefix) : !parse_prefix_length(mask, 128, prefix)) {
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

int compare_inet_texts(std::string_view a, std::string_view b) noexcept {
  inet_value left;
  inet_value right;
  const bool left_valid = parse_inet(a, left);
  const bool right_valid = parse_inet(b, right);
  if (left_valid != right_valid) return left_valid ? 1 : -1;
  if (left_valid) {
    if (left.family != right.family) return left.family < right.family ? -1 : 1;
    const int bytes = std::memcmp(left.bytes, right.bytes, byte_count(left));
    if (bytes != 0) return bytes < 0 ? -1 : 1;
    if (left.prefix != right.prefix) return left.prefix < right.prefix ? -1 : 1;
  }
  return byte_order(a, b);
}

}  // namespace korvel
