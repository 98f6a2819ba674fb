#include "version/ranges/generic.h"

#include <cstring>

#include "common/sqlite_api.h"
#include "version/keys.h"
#include "version/ranges/relation.h"
#include "version/scheme.h"
#include "version/text_order.h"

namespace korvel {

namespace {

struct generic_comparator {
  relation op;
  bool ends_alternative;
  std::size_t text_offset;
  std::size_t text_size;
  std::size_t key_offset;
  std::size_t key_size;
};

}  // namespace

// One block: this header, `count` comparators, then their texts and keys.
struct generic_range {
  std::size_t count;
};

namespace {

static_assert(sizeof(generic_range) % alignof(generic_comparator) == 0);

generic_comparator* comparators(generic_range* range) noexcept {
  return reinterpret_cast<generic_comparator*>(range + 1);
}
const generic_comparator* comparators(const generic_range* range) noexcept {
  return reinterpret_cast<const generic_comparator*>(range + 1);
}
const char* bytes(const generic_range* range) noexcept {
  return reinterpret_cast<const char*>(comparators(range) + range->count);
}

bool is_blank(char c) noexcept {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Bytes that end a version: white space, the separators, the operators'
// bytes (so that ">= 1.0 < 2.0" or "<<1" is not read as one odd version) and
// NUL, which some orders would read as the end of the text.
bool ends_version(char c) noexcept {
  return is_blank(c) || c == ',' || c == '|' || c == '<' || c == '>' || c == '=' || c == '!' ||
         c == '\0';
}

// Reads the operator at the start of `text` and drops it; malformed when
// there is none (an empty comparator, or a bare version).
range_status read_relation(std::string_view& text, generic_dialect dialect, relation& op) noexcept {
  if (text.empty()) return range_status::malformed;
  const char first = text[0];
  const char second = text.size() > 1 ? text[1] : '\0';
  const bool debian = dialect == generic_dialect::debian;
  std::size_t length = 1;
  switch (first) {
    case '<':
    case '>': {
      const bool less = first == '<';
      if (second == '=') {
        op = less ? relation::less_equal : relation::greater_equal;
        length = 2;
      } else if (debian && second == first) {
        op = less ? relation::less : relation::greater;
        length = 2;
      } else if (debian) {
        return range_status::bare_deb_relation;
      } else {
        op = less ? relation::less : relation::greater;
      }
      break;
    }
    case '=':
      op = relation::equal;
      if (second == '=') length = 2;
      break;
    case '!':
      if (second != '=') return range_status::malformed;
      op = relation::not_equal;
      length = 2;
      break;
    default:
      return range_status::malformed;
  }
  text.remove_prefix(length);
  return range_status::ok;
}

void skip_blanks(std::string_view& text) noexcept {
  while (!text.empty() && is_blank(text[0])) text.remove_prefix(1);
}

// Walks the comparators of `text` in order, calling
// visit(op, version, ends_alternative) for each; stops at the first
// malformed piece, or when visit() returns anything but ok.
template <typename Visit>
range_status scan(std::string_view text, generic_dialect dialect, Visit&& visit) noexcept {
  for (;;) {
    skip_blanks(text);
    relation op{};
    const range_status read = read_relation(text, dialect, op);
    if (read != range_status::ok) return read;
    skip_blanks(text);
    std::size_t size = 0;
    while (size < text.size() && !ends_version(text[size])) ++size;
    if (size == 0) return range_status::malformed;
    const std::string_view version(text.data(), size);
    text.remove_prefix(size);
    skip_blanks(text);
    bool ends_alternative = true;
    bool more = false;
    if (!text.empty()) {
      if (text[0] == ',') {
        ends_alternative = false;
        text.remove_prefix(1);
      } else if (text.size() >= 2 && text[0] == '|' && text[1] == '|') {
        text.remove_prefix(2);
      } else {
        return range_status::malformed;
      }
      more = true;
    }
    const range_status visited = visit(op, version, ends_alternative);
    if (visited != range_status::ok) return visited;
    if (!more) return range_status::ok;
  }
}

// Whether some alternative holds, `order_of(comparator)` giving the
// version's order against the comparator's version.
template <typename OrderOf>
bool holds(const generic_range& range, OrderOf&& order_of) noexcept {
  const generic_comparator* comparator = comparators(&range);
  const generic_comparator* const end = comparator + range.count;
  while (comparator != end) {
    bool alternative_holds = true;
    for (;;) {
      if (alternative_holds && !relation_holds(comparator->op, order_of(*comparator)))
        alternative_holds = false;
      if ((comparator++)->ends_alternative) break;
    }
    if (alternative_holds) return true;
  }
  return false;
}

}  // namespace

range_status parse_generic_range(const generic_order& order, generic_dialect dialect,
                                 std::string_view text, generic_range** range) noexcept {
  // First the shape and the room it needs, then the block, then the keys.
  std::size_t count = 0;
  std::size_t room = 0;
  const range_status shape =
      scan(text, dialect, [&](relation, std::string_view version, bool) noexcept {
        ++count;
        room += version.size() + order.key_bound(order.context, version.size());
        return range_status::ok;
      });
  if (shape != range_status::ok) return shape;
  const std::size_t size = sizeof(generic_range) + count * sizeof(generic_comparator) + room;
  auto* block = static_cast<generic_range*>(sqlite3_malloc64(size));
  if (block == nullptr) return range_status::no_memory;
  block->count = count;
  generic_comparator* next = comparators(block);
  auto* const base = const_cast<char*>(bytes(block));
  std::size_t used = 0;
  const range_status filled =
      scan(text, dialect, [&](relation op, std::string_view version, bool ends) noexcept {
        generic_comparator& comparator = *next++;
        comparator.op = op;
        comparator.ends_alternative = ends;
        comparator.text_offset = used;
        comparator.text_size = version.size();
        std::memcpy(base + used, version.data(), version.size());
        used += version.size();
        const std::size_t key =
            order.key(order.context, version, reinterpret_cast<unsigned char*>(base + used));
        if (key == kNoKey) return range_status::malformed;
        comparator.key_offset = used;
        comparator.key_size = key;
        used += key;
        return range_status::ok;
      });
  if (filled != range_status::ok) {
    sqlite3_free(block);
    return filled;
  }
  *range = block;
  return range_status::ok;
}

bool generic_range_holds_key(const generic_range& range, const unsigned char* key,
                             std::size_t key_size) noexcept {
  const auto* base = reinterpret_cast<const unsigned char*>(bytes(&range));
  return holds(range, [&](const generic_comparator& comparator) noexcept {
    return key_order(key, key_size, base + comparator.key_offset, comparator.key_size);
  });
}

bool generic_range_holds_compare(const generic_order& order, const generic_range& range,
                                 std::string_view version) noexcept {
  const char* base = bytes(&range);
  return holds(range, [&](const generic_comparator& comparator) noexcept {
    return order.compare(order.context, version,
                         std::string_view(base + comparator.text_offset, comparator.text_size));
  });
}

range_answer generic_range_answer(const generic_order& order, const generic_range& range,
                                  std::string_view version) noexcept {
  bool holds = false;
  if (order.key_bound(order.context, version.size()) <= kGenericStackKey) {
    unsigned char key[kGenericStackKey];
    const std::size_t size = order.key(order.context, version, key);
    if (size == kNoKey) return range_answer::invalid;
    holds = generic_range_holds_key(range, key, size);
  } else {
    if (!order.valid(order.context, version)) return range_answer::invalid;
    holds = generic_range_holds_compare(order, range, version);
  }
  return holds ? range_answer::yes : range_answer::no;
}

void release_generic_range(void* range) noexcept {
  sqlite3_free(range);
}

namespace {

// A package manager's scheme as an order of the generic grammar.
std::size_t scheme_key_bound(const void* context, std::size_t size) noexcept {
  return static_cast<const version_scheme*>(context)->key_bound(size);
}
std::size_t scheme_key_of(const void* context, std::string_view text, unsigned char* out) noexcept {
  return scheme_key(*static_cast<const version_scheme*>(context), text, out);
}
bool scheme_valid(const void* context, std::string_view text) noexcept {
  return static_cast<const version_scheme*>(context)->valid(text);
}
int scheme_compare(const void* context, std::string_view lhs, std::string_view rhs) noexcept {
  return static_cast<const version_scheme*>(context)->compare(lhs, rhs);
}

}  // namespace

generic_order scheme_order(const version_scheme& scheme) noexcept {
  return {&scheme, scheme_key_bound, scheme_key_of, scheme_valid, scheme_compare};
}

namespace {

const separator_set& separators_of(const void* context) noexcept {
  return *static_cast<const separator_set*>(context);
}
std::size_t default_key_bound(const void*, std::size_t size) noexcept {
  return version_key_bound(size);
}
std::size_t default_key(const void* context, std::string_view text, unsigned char* out) noexcept {
  const version_key_result written = version_key(text, separators_of(context), out);
  return written.well_formed ? written.size : kNoKey;
}
bool default_valid(const void* context, std::string_view text) noexcept {
  return version_compare_texts(text, text, separators_of(context)).lhs_well_formed;
}
int default_compare(const void* context, std::string_view lhs, std::string_view rhs) noexcept {
  return version_compare_texts(lhs, rhs, separators_of(context)).order;
}

}  // namespace

generic_order default_order(const separator_set& separators) noexcept {
  return {&separators, default_key_bound, default_key, default_valid, default_compare};
}

namespace {

template <generic_dialect Dialect>
range_status parse_scheme_range(const version_scheme& scheme, std::string_view text,
                                void** compiled) noexcept {
  generic_range* range = nullptr;
  const range_status status = parse_generic_range(scheme_order(scheme), Dialect, text, &range);
  if (status == range_status::ok) *compiled = range;
  return status;
}

bool scheme_range_holds(const version_scheme& scheme, const void* compiled,
                        std::string_view version) noexcept {
  return generic_range_answer(scheme_order(scheme), *static_cast<const generic_range*>(compiled),
                              version) == range_answer::yes;
}

}  // namespace

const range_grammar GENERIC_RANGES = {parse_scheme_range<generic_dialect::plain>,
                                      scheme_range_holds, release_generic_range};
const range_grammar DEB_RANGES = {parse_scheme_range<generic_dialect::debian>, scheme_range_holds,
                                  release_generic_range};

}  // namespace korvel
