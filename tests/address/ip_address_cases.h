// Address texts and the integers they fold into, shared by the unit and the
// SQL-level tests.
#pragma once

#include <cstdint>
#include <string_view>

namespace korvel::testing {

struct ip_case {
  std::string_view text;
  std::int64_t folded;
};

inline constexpr ip_case kIpCases[] = {
    {"192.168.1.1", 3232235777},
    {"10.0.0.1", 167772161},
    {"127.0.0.1", 2130706433},
    {"255.255.255.255", 4294967295},
    {"0.0.0.0", 0},
    {"10.0.0.1/24", 167772161},
    {"1.2.3.4.5", 4328719365},
    {"1.2.3.4.5.6.7.8.9", 144964032628459529},
    {"", 0},
    {"abc", 0},
    {"1..2", 65538},
    {"1.2.", 66048},
    {"256.1", 65537},
    {"-1", -1},
    {" 7.8", 1800},
    {"1.2", 258},
    {".", 0},
    {"-1.-1", -257},
    {"1.x2.3", 65539},
    {"+1.+2", 258},
    // Out-of-range components saturate at the int32 limits.
    {"4294967296", 2147483647},
    {"99999999999999999999", 2147483647},
    {"-99999999999999999999", -2147483648},
    {"4294967296.1", 549755813633},
    // Nine digits and ten digits still inside the int32 range.
    {"999999999.1", 255999999745},
    {"1999999999.1", 511999999745},
    // Nine components of 255 shift past 64 bits and wrap.
    {"255.255.255.255.255.255.255.255.255", -1},
    {"128.0.0.0.0.0.0.0", INT64_MIN},
    {"1.0.0.0.0.0.0.0.0", 0},
    // Space, sign and digits are atoi's; other bytes are skipped up to ".".
    {"1 .2", 258},
    {"\t3.4", 772},
    {"0x10.1", 1},
    // Four short components, and texts one step off that shape.
    {"1.2.3.4", 16909060},
    {"999.999.999.999", 16826165991},
    {"01.002.3.040", 16909096},
    {"1.2.3.4567", 16913623},
    {"1234.5.6.7", 20703413767},
    {"1.2.3.45a", 16909101},
    {"1.2..3", 16908291},
    {"1.2.3.4.", 4328719360},
    {"12.34.56.", 203569152},
};

}  // namespace korvel::testing
