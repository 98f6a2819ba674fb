#include "address/address_functions.h"

#include "address/ip_address.h"

namespace korvel {

extern "C" void format_ip_address_func(sqlite3_context* context, int /*argc*/,
                                       sqlite3_value** argv) noexcept {
  sqlite3_value* address = argv[0];
  if (sqlite3_value_type(address) != SQLITE_TEXT) {
    sqlite3_result_null(context);
    return;
  }
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(address));
  if (text == nullptr) {
    sqlite3_result_error_nomem(context);
    return;
  }
  const auto bytes = static_cast<std::size_t>(sqlite3_value_bytes(address));
  sqlite3_result_int64(context, fold_ip_address(std::string_view(text, bytes)));
}

extern "C" void ip_address_text_func(sqlite3_context* context, int /*argc*/,
                                     sqlite3_value** argv) noexcept {
  // Node's better-sqlite3 binds every JavaScript number as REAL, so a REAL
  // that is exactly an address number counts as that INTEGER.
  sqlite3_int64 number = -1;
  switch (sqlite3_value_type(argv[0])) {
    case SQLITE_INTEGER:
      number = sqlite3_value_int64(argv[0]);
      break;
    case SQLITE_FLOAT: {
      const double real = sqlite3_value_double(argv[0]);
      // The range test comes first: the cast is defined only inside it.
      if (real >= 0 && real <= 4294967295.0 &&
          real == static_cast<double>(static_cast<sqlite3_int64>(real)))
        number = static_cast<sqlite3_int64>(real);
      break;
    }
    default:
      break;
  }
  if (number < 0 || number > 0xFFFFFFFF) {
    sqlite3_result_null(context);
    return;
  }
  char text[IP_ADDRESS_TEXT_CAPACITY];
  const std::size_t length = format_ipv4_text(static_cast<std::uint32_t>(number), text);
  sqlite3_result_text(context, text, static_cast<int>(length), SQLITE_TRANSIENT);
}

}  // namespace korvel
