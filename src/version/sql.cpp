#include "version/sql.h"

#include <string_view>

#include "common/sql_arguments.h"
#include "version/keys.h"
#include "version/separators.h"
#include "version/text_order.h"

namespace korvel {

namespace {

// Keys of usual versions fit here and are copied by SQLite; longer ones are
// written to a block that SQLite takes over.
constexpr std::size_t kInlineKeyBytes = 256;

}  // namespace

extern "C" void version_compare_func(sqlite3_context* context, int argc,
                                     sqlite3_value** argv) noexcept {
  std::string_view texts[3] = {{}, {}, DEFAULT_VERSION_SEPARATORS};
  if (!text_arguments(context, argc < 3 ? argc : 3, argv, texts)) return;
  const text_pair_order order =
      version_compare_texts(texts[0], texts[1], make_separator_set(texts[2]));
  if (order.lhs_well_formed && order.rhs_well_formed) {
    sqlite3_result_int(context, order.order);
  } else {
    sqlite3_result_null(context);
  }
}

extern "C" void version_key_func(sqlite3_context* context, int argc,
                                 sqlite3_value** argv) noexcept {
  std::string_view texts[2] = {{}, DEFAULT_VERSION_SEPARATORS};
  if (!text_arguments(context, argc < 2 ? argc : 2, argv, texts)) return;
  const separator_set separators = make_separator_set(texts[1]);
  const std::size_t bound = version_key_bound(texts[0].size());
  if (bound <= kInlineKeyBytes) {
    unsigned char key[kInlineKeyBytes];
    const version_key_result written = version_key(texts[0], separators, key);
    if (written.well_formed) {
      sqlite3_result_blob64(context, key, written.size, SQLITE_TRANSIENT);
    } else {
      sqlite3_result_null(context);
    }
    return;
  }
  auto* key = static_cast<unsigned char*>(sqlite3_malloc64(bound));
  if (key == nullptr) {
    sqlite3_result_error_nomem(context);
    return;
  }
  const version_key_result written = version_key(texts[0], separators, key);
  if (!written.well_formed) {
    sqlite3_free(key);
    sqlite3_result_null(context);
    return;
  }
  // SQLite takes the block and frees it, on failure too.
  sqlite3_result_blob64(context, key, written.size, sqlite3_free);
}

extern "C" int version_collation(void* /*unused*/, int lhs_bytes, const void* lhs, int rhs_bytes,
                                 const void* rhs) noexcept {
  return version_collation_compare(
      std::string_view(static_cast<const char*>(lhs), static_cast<std::size_t>(lhs_bytes)),
      std::string_view(static_cast<const char*>(rhs), static_cast<std::size_t>(rhs_bytes)));
}

}  // namespace korvel
