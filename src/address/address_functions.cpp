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

}  // namespace korvel
