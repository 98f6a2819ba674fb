// The OSV schema's evaluation, read straight off the JSON text. The schema
// walks each range's events sorted by version ("0" first), setting
// "affected" at an introduced event the version has reached and clearing it
// at a fixed event it has reached or a last_affected one it has passed; so
// the outcome is the kind of the last event, in that order, whose condition
// holds. That event is found in one pass, without sorting or storing the
// events. At equal versions an introduced event sorts first, so that
// {introduced 1.0, last_affected 1.0} holds 1.0 and {introduced 1.0,
// fixed 1.0} holds nothing.
#include "advisory/osv.h"

#include "advisory/json_reader.h"
#include "version/schemes/schemes.h"
#include "version/schemes/semver.h"

namespace korvel {

namespace {

enum class event_kind : unsigned char { introduced, fixed, last_affected, limit };

struct record_state {
  json_reader reader;
  std::string_view version;
  // The ecosystem's order; settled once "package" is read, or at the end
  // of the element when it has none.
  bool package_settled = false;
  const scheme_row* row = nullptr;
  bool version_valid = false;  // in the ecosystem's order
  int version_semver = -1;     // valid as a semantic version; -1: not asked yet
  bool listed = false;
  bool range_affected = false;
  bool semver_unknown = false;     // a SEMVER range the version cannot be placed in
  bool semver_judged = false;      // a SEMVER range the version was placed in
  bool ecosystem_unknown = false;  // an ECOSYSTEM range the version cannot be placed in
  bool evaluated_range = false;    // an ECOSYSTEM or SEMVER range
  bool git_range = false;
  const char* refusing_order = nullptr;
  bool value_problem = false;
};

// One range's events as they are read.
struct range_walk {
  const version_scheme* scheme = nullptr;  // nullptr: versions neither checked nor compared
  const char* order = nullptr;
  bool evaluate = false;  // the version is valid in `scheme`
  bool introduced = false, fixed = false, last_affected = false;
  bool limit = false, below_limit = false;
  // The last event, in the schema's sorted order, whose condition holds.
  bool has_last = false;
  event_kind last_kind = event_kind::introduced;
  bool last_zero = false;
  std::string_view last_version;
};

// A value that is JSON but breaks the schema; its excerpt is that value.
bool fail(record_state& state, const char* reason, const char* at) noexcept {
  if (state.reader.status == json_status::ok) state.value_problem = true;
  return json_fail(state.reader, reason, at);
}

// Where the next value starts.
const char* value_start(record_state& state) noexcept {
  (void)json_peek(state.reader);
  return state.reader.at;
}

bool contains(std::string_view text, char c) noexcept {
  return text.find(c) != std::string_view::npos;
}

bool is_semver(record_state& state) noexcept {
  if (state.version_semver < 0) state.version_semver = SEMVER_SCHEME.valid(state.version) ? 1 : 0;
  return state.version_semver == 1;
}

// Whether an event that holds comes after walk.last in the sorted order;
// at a tie the later one in the record does, as a stable sort keeps them.
bool sorts_after_last(const range_walk& walk, event_kind kind, bool zero,
                      std::string_view version) noexcept {
  if (!walk.has_last || walk.last_zero) return true;
  if (zero) return false;
  const int order = walk.scheme->compare(version, walk.last_version);
  if (order != 0) return order > 0;
  return kind != event_kind::introduced || walk.last_kind == event_kind::introduced;
}

bool take_event(record_state& state, range_walk& walk, event_kind kind, std::string_view version,
                const char* at) noexcept {
  const bool zero = kind == event_kind::introduced && version == "0";
  const bool infinite = kind == event_kind::limit && contains(version, '*');
  switch (kind) {
    case event_kind::introduced:
      walk.introduced = true;
      break;
    case event_kind::fixed:
      walk.fixed = true;
      break;
    case event_kind::last_affected:
      walk.last_affected = true;
      break;
    case event_kind::limit:
      walk.limit = true;
      break;
  }
  if (walk.fixed && walk.last_affected) {
    return fail(state, "a range with both fixed and last_affected events", at);
  }
  if (!zero && !infinite && walk.scheme != nullptr && !walk.scheme->valid(version)) {
    state.refusing_order = walk.order;
    return fail(state, "not a version of its order", at);
  }
  if (!walk.evaluate) return true;
  if (kind == event_kind::limit) {
    if (infinite || walk.scheme->compare(state.version, version) < 0) walk.below_limit = true;
    return true;
  }
  const int order = zero ? 1 : walk.scheme->compare(state.version, version);
  const bool holds = kind == event_kind::last_affected ? order > 0 : order >= 0;
  if (holds && sorts_after_last(walk, kind, zero, version)) {
    walk.has_last = true;
    walk.last_kind = kind;
    walk.last_zero = zero;
    walk.last_version = version;
  }
  return true;
}

bool event_kind_named(std::string_view name, event_kind& kind) noexcept {
  if (name == "introduced") {
    kind = event_kind::introduced;
  } else if (name == "fixed") {
    kind = event_kind::fixed;
  } else if (name == "last_affected") {
    kind = event_kind::last_affected;
  } else if (name == "limit") {
    kind = event_kind::limit;
  } else {
    return false;
  }
  return true;
}

bool read_event(record_state& state, range_walk& walk) noexcept {
  json_reader& reader = state.reader;
  const char* const at = value_start(state);
  if (json_peek(reader) != json_kind::object)
    return fail(state, "an event that is not an object", at);
  int kinds = 0;
  event_kind kind = event_kind::introduced;
  std::string_view version;
  std::string_view name;
  for (bool first = true; json_next_member(reader, first, name); first = false) {
    if (++kinds > 1) return fail(state, "an event with several keys", at);
    if (!event_kind_named(name, kind)) return fail(state, "an event of unknown kind", at);
    if (json_peek(reader) != json_kind::string) {
      return fail(state, "an event whose version is not a string", at);
    }
    if (!json_string(reader, version)) return false;
  }
  if (reader.status != json_status::ok) return false;
  if (kinds == 0) return fail(state, "an empty event", at);
  return take_event(state, walk, kind, version, at);
}

bool read_events(record_state& state, range_walk& walk) noexcept {
  json_reader& reader = state.reader;
  const char* const at = value_start(state);
  if (json_peek(reader) != json_kind::array) return fail(state, "events that are not an array", at);
  bool any = false;
  for (bool first = true; json_next_element(reader, first); first = false) {
    any = true;
    if (!read_event(state, walk)) return false;
  }
  if (reader.status != json_status::ok) return false;
  return any || fail(state, "a range without events", at);
}

bool start_walk(record_state& state, std::string_view type, range_walk& walk,
                const char* at) noexcept {
  if (type == "ECOSYSTEM") {
    state.evaluated_range = true;
    walk.scheme = state.row != nullptr ? state.row->scheme : nullptr;
    walk.order = state.row != nullptr ? state.row->name : nullptr;
    walk.evaluate = state.version_valid;
    if (!state.version_valid) state.ecosystem_unknown = true;
  } else if (type == "SEMVER") {
    // A SEMVER range is in the semver order whatever the ecosystem's own:
    // Go's records, say, write their versions without Go's leading 'v'.
    state.evaluated_range = true;
    walk.scheme = &SEMVER_SCHEME;
    walk.order = "semver";
    walk.evaluate = is_semver(state);
    (walk.evaluate ? state.semver_judged : state.semver_unknown) = true;
  } else if (type == "GIT") {
    state.git_range = true;
    walk.scheme = nullptr;
    walk.order = nullptr;
    walk.evaluate = false;
  } else {
    return fail(state, "a range of unknown type", at);
  }
  return true;
}

bool read_range(record_state& state) noexcept {
  json_reader& reader = state.reader;
  const char* const at = value_start(state);
  if (json_peek(reader) != json_kind::object)
    return fail(state, "a range that is not an object", at);
  range_walk walk;
  bool typed = false;
  const char* events = nullptr;  // where "events" starts
  bool deferred = false;         // read before the type was known
  std::string_view name;
  for (bool first = true; json_next_member(reader, first, name); first = false) {
    const char* const value = value_start(state);
    if (name == "type") {
      std::string_view type;
      if (typed) return fail(state, "a range with two types", value);
      if (json_peek(reader) != json_kind::string) {
        return fail(state, "a range type that is not a string", value);
      }
      if (!json_string(reader, type) || !start_walk(state, type, walk, value)) return false;
      typed = true;
    } else if (name == "events") {
      if (events != nullptr) return fail(state, "a range with two event lists", value);
      events = value;
      deferred = !typed;
      if (!(deferred ? json_skip(reader) : read_events(state, walk))) return false;
    } else if (!json_skip(reader)) {
      return false;
    }
  }
  if (reader.status != json_status::ok) return false;
  if (!typed) return fail(state, "a range without a type", at);
  if (events == nullptr) return fail(state, "a range without events", at);
  if (deferred) {
    const char* const after = reader.at;
    reader.at = events;
    if (!read_events(state, walk)) return false;
    reader.at = after;
  }
  if (!walk.introduced) return fail(state, "a range without an introduced event", at);
  if (walk.evaluate && (!walk.limit || walk.below_limit) && walk.has_last &&
      walk.last_kind == event_kind::introduced) {
    state.range_affected = true;
  }
  return true;
}

bool read_ranges(record_state& state) noexcept {
  json_reader& reader = state.reader;
  const char* const at = value_start(state);
  if (json_peek(reader) != json_kind::array) return fail(state, "ranges that are not an array", at);
  for (bool first = true; json_next_element(reader, first); first = false) {
    if (!read_range(state)) return false;
  }
  return reader.status == json_status::ok;
}

bool read_versions(record_state& state) noexcept {
  json_reader& reader = state.reader;
  const char* const at = value_start(state);
  if (json_peek(reader) != json_kind::array)
    return fail(state, "versions that are not an array", at);
  const version_scheme* const scheme = state.version_valid ? state.row->scheme : nullptr;
  for (bool first = true; json_next_element(reader, first); first = false) {
    std::string_view listed;
    if (json_peek(reader) != json_kind::string) {
      return fail(state, "a listed version that is not a string", value_start(state));
    }
    if (!json_string(reader, listed)) return false;
    // Entries the order refuses match nothing: the list may hold Git tags.
    if (scheme != nullptr && !state.listed &&
        (listed == state.version ||
         (scheme->valid(listed) && scheme->compare(state.version, listed) == 0))) {
      state.listed = true;
    }
  }
  return reader.status == json_status::ok;
}

void settle_package(record_state& state, std::string_view ecosystem) noexcept {
  state.package_settled = true;
  const std::size_t colon = ecosystem.find(':');
  if (colon != std::string_view::npos) ecosystem = std::string_view(ecosystem.data(), colon);
  state.row = find_scheme_row(&scheme_row::osv_ecosystems, ecosystem);
  state.version_valid = state.row != nullptr && state.row->scheme->valid(state.version);
}

bool read_package(record_state& state) noexcept {
  json_reader& reader = state.reader;
  const char* const at = value_start(state);
  if (json_peek(reader) != json_kind::object) {
    return fail(state, "a package that is not an object", at);
  }
  // No ecosystem: no order, so "" (which names none).
  std::string_view ecosystem;
  bool named = false;
  std::string_view name;
  for (bool first = true; json_next_member(reader, first, name); first = false) {
    const char* const value = value_start(state);
    if (name != "ecosystem") {
      if (!json_skip(reader)) return false;
      continue;
    }
    if (named) return fail(state, "a package with two ecosystems", value);
    if (json_peek(reader) != json_kind::string) {
      return fail(state, "an ecosystem that is not a string", value);
    }
    if (!json_string(reader, ecosystem)) return false;
    named = true;
  }
  if (reader.status != json_status::ok) return false;
  settle_package(state, ecosystem);
  return true;
}

// Reads the part at `at` now (or, with at == nullptr, nothing).
bool read_part(record_state& state, const char* at, bool (*read)(record_state&)) noexcept {
  if (at == nullptr) return true;
  const char* const after = state.reader.at;
  state.reader.at = at;
  if (!read(state)) return false;
  state.reader.at = after;
  return true;
}

bool read_element(record_state& state) noexcept {
  json_reader& reader = state.reader;
  if (json_peek(reader) != json_kind::object) {
    return fail(state, "an affected element that is not an object", value_start(state));
  }
  bool package = false;
  // Where "versions" and "ranges" start, when read before the package.
  const char* versions = nullptr;
  const char* ranges = nullptr;
  bool versions_seen = false, ranges_seen = false;
  std::string_view name;
  for (bool first = true; json_next_member(reader, first, name); first = false) {
    const char* const value = value_start(state);
    bool ok = false;
    if (name == "package") {
      if (package) return fail(state, "an element with two packages", value);
      package = true;
      ok = read_package(state);
    } else if (name == "versions" || name == "ranges") {
      const bool is_versions = name == "versions";
      bool& seen = is_versions ? versions_seen : ranges_seen;
      if (seen) return fail(state, "an element with two lists of the same name", value);
      seen = true;
      if (state.package_settled) {
        ok = is_versions ? read_versions(state) : read_ranges(state);
      } else {
        (is_versions ? versions : ranges) = value;
        ok = json_skip(reader);
      }
    } else {
      ok = json_skip(reader);
    }
    if (!ok) return false;
  }
  if (!json_at_end(reader)) return false;
  if (!state.package_settled) settle_package(state, std::string_view());
  return read_part(state, versions, read_versions) && read_part(state, ranges, read_ranges);
}

osv_answer answer_of(const record_state& state) noexcept {
  if (state.row == nullptr) return osv_answer::unknown;
  if (state.listed || state.range_affected) return osv_answer::affected;
  // Not affected only where every range could place the version, and some
  // order could read it at all.
  if (state.ecosystem_unknown || state.semver_unknown) return osv_answer::unknown;
  if (!state.version_valid && !state.semver_judged) return osv_answer::unknown;
  if (state.git_range && !state.evaluated_range) return osv_answer::unknown;
  return osv_answer::not_affected;
}

}  // namespace

osv_status osv_affected(std::string_view affected, std::string_view version, osv_answer& answer,
                        osv_problem& problem) noexcept {
  record_state state{json_open(affected), version};
  const bool read = read_element(state);
  osv_status status = osv_status::ok;
  if (read) {
    answer = answer_of(state);
  } else if (state.reader.status == json_status::no_memory) {
    status = osv_status::no_memory;
  } else {
    status = osv_status::malformed;
    const char* const at = state.reader.error_at;
    std::string_view excerpt(at, static_cast<std::size_t>(state.reader.end - at));
    if (state.value_problem) {
      json_reader value = json_open(excerpt);
      if (json_skip(value)) excerpt = std::string_view(at, static_cast<std::size_t>(value.at - at));
    }
    problem = {state.reader.reason, state.refusing_order, excerpt};
  }
  json_close(state.reader);
  return status;
}

}  // namespace korvel
