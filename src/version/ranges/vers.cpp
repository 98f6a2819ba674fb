#include "version/ranges/vers.h"

#include <algorithm>
#include <cstring>

#include "common/sqlite_api.h"
#include "version/ranges/generic.h"
#include "version/ranges/relation.h"

namespace korvel {

namespace {

struct vers_comparator {
  relation op;
  std::size_t text_offset;
  std::size_t text_size;
  std::size_t key_offset;
  std::size_t key_size;
};

}  // namespace

// One block: this header, `count` comparators sorted by version, then their
// texts and keys.
struct vers_range {
  const scheme_row* row;  // nullptr: the type has no order here
  bool every_version;     // "*"
  std::size_t count;
};

namespace {

static_assert(sizeof(vers_range) % alignof(vers_comparator) == 0);

vers_comparator* comparators(vers_range* range) noexcept {
  return reinterpret_cast<vers_comparator*>(range + 1);
}
const vers_comparator* comparators(const vers_range* range) noexcept {
  return reinterpret_cast<const vers_comparator*>(range + 1);
}
const unsigned char* bytes(const vers_range* range) noexcept {
  return reinterpret_cast<const unsigned char*>(comparators(range) + range->count);
}

bool is_lesser(relation op) noexcept {
  return op == relation::less || op == relation::less_equal;
}
bool is_greater(relation op) noexcept {
  return op == relation::greater || op == relation::greater_equal;
}

// The text without its spaces and tabs, which vers ignores everywhere.
std::string_view without_blanks(std::string_view text, char* out) noexcept {
  std::size_t size = 0;
  for (char c : text)
    if (c != ' ' && c != '\t') out[size++] = c;
  return {out, size};
}

int hex_value(char c) noexcept {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Percent-decodes `version` into `out` (at least version.size() bytes) and
// returns the decoded size, or kNoKey for a broken escape.
std::size_t decode(std::string_view version, char* out) noexcept {
  std::size_t size = 0;
  for (std::size_t i = 0; i < version.size(); ++i) {
    if (version[i] != '%') {
      out[size++] = version[i];
      continue;
    }
    if (i + 2 >= version.size()) return kNoKey;
    const int high = hex_value(version[i + 1]);
    const int low = hex_value(version[i + 2]);
    if (high < 0 || low < 0) return kNoKey;
    out[size++] = static_cast<char>(high * 16 + low);
    i += 2;
  }
  return size;
}

// Walks the constraints of `list` (the text after "vers:<type>/", blanks
// removed, not "*"), calling visit(op, version) with each raw version.
template <typename Visit>
range_status scan(std::string_view list, Visit&& visit) noexcept {
  bool any = false;
  while (!list.empty()) {
    std::size_t bar = list.find('|');
    if (bar == std::string_view::npos) bar = list.size();
    std::string_view constraint(list.data(), bar);
    list.remove_prefix(bar == list.size() ? bar : bar + 1);
    // Consecutive, leading and trailing bars count as one or none.
    if (constraint.empty()) continue;
    any = true;
    relation op = relation::equal;
    std::size_t length = 0;
    const char first = constraint[0];
    const bool equals_next = constraint.size() > 1 && constraint[1] == '=';
    if (first == '<' || first == '>') {
      op = first == '<' ? (equals_next ? relation::less_equal : relation::less)
                        : (equals_next ? relation::greater_equal : relation::greater);
      length = equals_next ? 2 : 1;
    } else if (first == '!' && equals_next) {
      op = relation::not_equal;
      length = 2;
    } else if (first == '=') {
      length = 1;
    }
    constraint.remove_prefix(length);
    // A version holding a comparator's or the star's byte must have been
    // percent-encoded; meeting one raw is a typo ("==1.0", "<1.0*").
    if (constraint.empty() || constraint.find_first_of("<>=!*") != std::string_view::npos)
      return range_status::malformed;
    const range_status visited = visit(op, constraint);
    if (visited != range_status::ok) return visited;
  }
  return any ? range_status::ok : range_status::malformed;
}

bool valid_type(std::string_view type) noexcept {
  if (type.empty()) return false;
  for (char c : type) {
    const bool allowed =
        (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+';
    if (!allowed) return false;
  }
  return true;
}

// The vers rules on the sorted comparators: versions unique; ignoring "!=",
// "=" followed only by "=", ">" or ">="; ignoring "=" and "!=" too, lesser
// and greater comparators alternating.
bool well_ordered(const vers_range& range) noexcept {
  const vers_comparator* list = comparators(&range);
  const unsigned char* base = bytes(&range);
  const vers_comparator* previous_equal_or_bound = nullptr;
  const vers_comparator* previous_bound = nullptr;
  for (std::size_t i = 0; i < range.count; ++i) {
    const vers_comparator& here = list[i];
    if (i > 0 && key_order(base + list[i - 1].key_offset, list[i - 1].key_size,
                           base + here.key_offset, here.key_size) == 0)
      return false;
    if (here.op == relation::not_equal) continue;
    if (previous_equal_or_bound != nullptr && previous_equal_or_bound->op == relation::equal &&
        is_lesser(here.op))
      return false;
    previous_equal_or_bound = &here;
    if (here.op == relation::equal) continue;
    if (previous_bound != nullptr && is_lesser(previous_bound->op) == is_lesser(here.op))
      return false;
    previous_bound = &here;
  }
  return true;
}

// Whether a version is in the range, `order_of(comparator)` giving its order
// against the comparator's version.
template <typename OrderOf>
bool contains(const vers_range& range, OrderOf&& order_of) noexcept {
  if (range.every_version) return true;
  const vers_comparator* list = comparators(&range);
  const vers_comparator* const end = list + range.count;
  // Equal to a constraint's version: its comparator alone decides.
  for (const vers_comparator* c = list; c != end; ++c) {
    if (c->op == relation::less || c->op == relation::greater) continue;
    if (order_of(*c) == 0) return c->op != relation::not_equal;
  }
  // Then the intervals the lesser and greater comparators bound, in order:
  // below a first lesser one, above a last greater one, or between a greater
  // one and the lesser one after it.
  const vers_comparator* previous = nullptr;
  for (const vers_comparator* c = list; c != end; ++c) {
    if (!is_lesser(c->op) && !is_greater(c->op)) continue;
    const int order = order_of(*c);
    if (is_lesser(c->op) && order < 0) {
      if (previous == nullptr) return true;
      if (is_greater(previous->op) && order_of(*previous) > 0) return true;
    }
    previous = c;
  }
  return previous != nullptr && is_greater(previous->op) && order_of(*previous) > 0;
}

}  // namespace

range_status parse_vers_range(std::string_view text, vers_range** range) noexcept {
  auto* scratch = static_cast<char*>(sqlite3_malloc64(text.size() + 1));
  if (scratch == nullptr) return range_status::no_memory;
  const std::string_view clean = without_blanks(text, scratch);
  // From here every return releases the scratch copy.
  struct scratch_guard {
    char* block;
    ~scratch_guard() { sqlite3_free(block); }
  } guard{scratch};

  constexpr std::string_view kScheme = "vers:";
  if (clean.size() < kScheme.size() || std::memcmp(clean.data(), kScheme.data(), 5) != 0)
    return range_status::malformed;
  std::string_view rest(clean.data() + kScheme.size(), clean.size() - kScheme.size());
  const std::size_t slash = rest.find('/');
  if (slash == std::string_view::npos) return range_status::malformed;
  const std::string_view type(rest.data(), slash);
  if (!valid_type(type)) return range_status::malformed;
  rest.remove_prefix(slash + 1);
  if (rest.empty()) return range_status::malformed;
  const bool every_version = rest == "*";

  const scheme_row* row = find_scheme_row(&scheme_row::vers_types, type);
  const generic_order order = row != nullptr ? scheme_order(*row->scheme) : generic_order{};
  std::size_t count = 0;
  std::size_t room = 0;
  if (!every_version) {
    const range_status shape = scan(rest, [&](relation, std::string_view version) noexcept {
      ++count;
      room += version.size();
      if (row != nullptr) room += order.key_bound(order.context, version.size());
      return range_status::ok;
    });
    if (shape != range_status::ok) return shape;
  }
  // A type without an order: its versions cannot be read, so none is kept.
  if (row == nullptr) count = room = 0;

  const std::size_t size = sizeof(vers_range) + count * sizeof(vers_comparator) + room;
  auto* block = static_cast<vers_range*>(sqlite3_malloc64(size));
  if (block == nullptr) return range_status::no_memory;
  *block = {row, every_version, count};
  if (count > 0) {
    vers_comparator* next = comparators(block);
    auto* const base = const_cast<unsigned char*>(bytes(block));
    std::size_t used = 0;
    const range_status filled = scan(rest, [&](relation op, std::string_view raw) noexcept {
      const std::size_t decoded = decode(raw, reinterpret_cast<char*>(base + used));
      if (decoded == kNoKey || decoded == 0) return range_status::malformed;
      const std::string_view version(reinterpret_cast<const char*>(base + used), decoded);
      vers_comparator& comparator = *next++;
      comparator = {op, used, decoded, 0, 0};
      used += decoded;
      const std::size_t key = order.key(order.context, version, base + used);
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
    std::sort(comparators(block), comparators(block) + count,
              [base](const vers_comparator& lhs, const vers_comparator& rhs) noexcept {
                return key_order(base + lhs.key_offset, lhs.key_size, base + rhs.key_offset,
                                 rhs.key_size) < 0;
              });
    if (!well_ordered(*block)) {
      sqlite3_free(block);
      return range_status::malformed;
    }
  }
  *range = block;
  return range_status::ok;
}

const scheme_row* vers_row(const vers_range& range) noexcept {
  return range.row;
}

bool vers_contains_compare(const vers_range& range, std::string_view version) noexcept {
  const auto* base = reinterpret_cast<const char*>(bytes(&range));
  const version_scheme& scheme = *range.row->scheme;
  return contains(range, [&](const vers_comparator& comparator) noexcept {
    return scheme.compare(version,
                          std::string_view(base + comparator.text_offset, comparator.text_size));
  });
}

bool vers_contains(const vers_range& range, std::string_view version) noexcept {
  if (range.every_version) return true;
  const version_scheme& scheme = *range.row->scheme;
  if (scheme.key_bound(version.size()) > kGenericStackKey)
    return vers_contains_compare(range, version);
  unsigned char key[kGenericStackKey];
  const std::size_t key_size = scheme_key(scheme, version, key);
  const unsigned char* base = bytes(&range);
  return contains(range, [&](const vers_comparator& comparator) noexcept {
    return key_order(key, key_size, base + comparator.key_offset, comparator.key_size);
  });
}

void release_vers_range(void* range) noexcept {
  sqlite3_free(range);
}

}  // namespace korvel
