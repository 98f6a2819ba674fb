#include "address/address_functions.h"

#include "address/inet.h"
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

namespace {

// What a strict function answers about the one text it reads.
enum class inet_answer { text, family, network, first, last, masklen, key };

// Reads `argument` as an address or network: false (and the result set to
// NULL, or to the out-of-memory error) when it is neither.
bool read_inet(sqlite3_context* context, sqlite3_value* argument, inet_value& out) noexcept {
  if (sqlite3_value_type(argument) != SQLITE_TEXT) {
    sqlite3_result_null(context);
    return false;
  }
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argument));
  if (text == nullptr) {
    sqlite3_result_error_nomem(context);
    return false;
  }
  const auto bytes = static_cast<std::size_t>(sqlite3_value_bytes(argument));
  if (parse_inet(std::string_view(text, bytes), out)) return true;
  sqlite3_result_null(context);
  return false;
}

void result_inet_text(sqlite3_context* context, const inet_value& value,
                      bool with_prefix) noexcept {
  char small[INET_TEXT_CAPACITY + 64];
  const std::size_t capacity = INET_TEXT_CAPACITY + value.zone.size();
  if (capacity <= sizeof small) {
    const std::size_t length = format_inet(value, with_prefix, small);
    sqlite3_result_text(context, small, static_cast<int>(length), SQLITE_TRANSIENT);
    return;
  }
  // Only a long zone gets here.
  auto* text = static_cast<char*>(sqlite3_malloc64(capacity));
  if (text == nullptr) {
    sqlite3_result_error_nomem(context);
    return;
  }
  const std::size_t length = format_inet(value, with_prefix, text);
  sqlite3_result_text64(context, text, length, sqlite3_free, SQLITE_UTF8);
}

void answer(sqlite3_context* context, sqlite3_value* argument, inet_answer what) noexcept {
  inet_value value;
  if (!read_inet(context, argument, value)) return;
  switch (what) {
    case inet_answer::text:
      if (value.written_as_network) {
        sqlite3_result_null(context);
      } else {
        result_inet_text(context, value, false);
      }
      return;
    case inet_answer::family:
      sqlite3_result_int(context, value.family);
      return;
    case inet_answer::network:
      result_inet_text(context, value, true);
      return;
    case inet_answer::first:
      inet_first(value);
      result_inet_text(context, value, false);
      return;
    case inet_answer::last:
      inet_last(value);
      result_inet_text(context, value, false);
      return;
    case inet_answer::masklen:
      sqlite3_result_int(context, value.prefix);
      return;
    case inet_answer::key: {
      unsigned char key[INET_KEY_CAPACITY];
      const std::size_t length = write_inet_key(value, key);
      sqlite3_result_blob(context, key, static_cast<int>(length), SQLITE_TRANSIENT);
      return;
    }
  }
}

}  // namespace

extern "C" void ip_text_func(sqlite3_context* context, int /*argc*/,
                             sqlite3_value** argv) noexcept {
  answer(context, argv[0], inet_answer::text);
}

extern "C" void ip_family_func(sqlite3_context* context, int /*argc*/,
                               sqlite3_value** argv) noexcept {
  answer(context, argv[0], inet_answer::family);
}

extern "C" void ip_network_func(sqlite3_context* context, int argc, sqlite3_value** argv) noexcept {
  if (argc == 1) {
    answer(context, argv[0], inet_answer::network);
    return;
  }
  inet_value value;
  if (!read_inet(context, argv[0], value)) return;
  const bool integer = sqlite3_value_type(argv[1]) == SQLITE_INTEGER;
  const sqlite3_int64 prefix = integer ? sqlite3_value_int64(argv[1]) : -1;
  if (prefix < 0 || prefix > value.prefix) {
    sqlite3_result_null(context);
    return;
  }
  inet_widen(value, static_cast<unsigned>(prefix));
  result_inet_text(context, value, true);
}

extern "C" void ip_network_first_func(sqlite3_context* context, int /*argc*/,
                                      sqlite3_value** argv) noexcept {
  answer(context, argv[0], inet_answer::first);
}

extern "C" void ip_network_last_func(sqlite3_context* context, int /*argc*/,
                                     sqlite3_value** argv) noexcept {
  answer(context, argv[0], inet_answer::last);
}

extern "C" void ip_masklen_func(sqlite3_context* context, int /*argc*/,
                                sqlite3_value** argv) noexcept {
  answer(context, argv[0], inet_answer::masklen);
}

extern "C" void ip_contains_func(sqlite3_context* context, int /*argc*/,
                                 sqlite3_value** argv) noexcept {
  inet_value network;
  inet_value inner;
  if (!read_inet(context, argv[0], network) || !read_inet(context, argv[1], inner)) return;
  sqlite3_result_int(context, inet_contains(network, inner) ? 1 : 0);
}

extern "C" void ip_key_func(sqlite3_context* context, int /*argc*/, sqlite3_value** argv) noexcept {
  answer(context, argv[0], inet_answer::key);
}

extern "C" int ip_collation(void* /*unused*/, int left_bytes, const void* left, int right_bytes,
                            const void* right) noexcept {
  return compare_inet_texts(
      std::string_view(static_cast<const char*>(left), static_cast<std::size_t>(left_bytes)),
      std::string_view(static_cast<const char*>(right), static_cast<std::size_t>(right_bytes)));
}

}  // namespace korvel
