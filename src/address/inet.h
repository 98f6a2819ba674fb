// Strict IPv4 and IPv6 addresses and networks, free of SQLite types: the
// parser, the canonical text, containment and the sort key. A text is an
// address exactly when Python 3.11's ipaddress.ip_address() accepts it, and a
// network exactly when ipaddress.ip_network(text, strict=False) does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace korvel {

struct inet_value {
  std::uint8_t family = 0;          // 4 or 6
  std::uint8_t prefix = 0;          // 0..32 or 0..128; an address has 32 or 128
  bool written_as_network = false;  // the text had a '/': a network, not an address
  std::uint8_t bytes[16] = {};      // network order; IPv4 fills the first four
  std::string_view zone;            // IPv6 zone without its '%'; empty when none
};

// Reads an address ('10.0.0.1', 'fe80::1%eth0') or a network ('10.0.0.0/8',
// '10.0.0.0/255.0.0.0', '10.0.0.0/0.255.255.255', '2001:db8::/32'), clearing
// the host bits of a network. False when the text is neither. The zone in
// `out` views `text`.
[[nodiscard]] bool parse_inet(std::string_view text, inet_value& out) noexcept;

// 32 or 128.
[[nodiscard]] unsigned inet_bits(const inet_value& value) noexcept;

// The network of `prefix` bits holding `value` (prefix at most inet_bits).
void inet_widen(inet_value& value, unsigned prefix) noexcept;

// The first or the last address of the network `value`.
void inet_first(inet_value& value) noexcept;
void inet_last(inet_value& value) noexcept;

// True when `inner` (address or network) lies inside `network`: same family,
// a prefix not shorter, equal bits under the network's prefix. Zones are not
// compared.
[[nodiscard]] bool inet_contains(const inet_value& network, const inet_value& inner) noexcept;

// Longest canonical text without its zone: 39 characters of address, '%'
// and '/128'.
inline constexpr std::size_t INET_TEXT_CAPACITY = 44;

// Writes the canonical text of `value` into `out`, which holds at least
// INET_TEXT_CAPACITY + value.zone.size() bytes, and returns its length: the
// compressed form of RFC 5952 ('::ffff:a.b.c.d' for IPv4-mapped addresses),
// then '%zone', then '/prefix' when `with_prefix`.
std::size_t format_inet(const inet_value& value, bool with_prefix, char* out) noexcept;

// The sort key: family byte (4 or 6), the address (4 or 16 bytes, network
// order), the prefix length byte. 6 or 18 bytes; the zone is not part of it.
inline constexpr std::size_t INET_KEY_CAPACITY = 18;
std::size_t write_inet_key(const inet_value& value,
                           unsigned char (&out)[INET_KEY_CAPACITY]) noexcept;

// The order of COLLATE ip: texts that are neither address nor network first,
// by bytes; then by key; equal keys by bytes.
[[nodiscard]] int compare_inet_texts(std::string_view a, std::string_view b) noexcept;

}  // namespace korvel
