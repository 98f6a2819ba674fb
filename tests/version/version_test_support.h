// Helpers for the version tests: lists rendered as text, owned lists and
// winners, the collation's fixture.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "version/parts.h"
#include "version/winner.h"
#include "version_reference.h"

namespace korvel::testing {

struct list_deleter {
  void operator()(version_part* list) const { version_free(list); }
};
using owned_list = std::unique_ptr<version_part, list_deleter>;

// "1,10,'beta'" for a list of numbers 1, 10 and the word beta; "<malformed>"
// or "<no memory>" when the parse failed.
inline std::string describe(const version_parse_result& parsed) {
  if (parsed.status == version_parse_status::malformed) return "<malformed>";
  if (parsed.status == version_parse_status::no_memory) return "<no memory>";
  std::string out;
  for (const version_part* part = parsed.parts; part != nullptr; part = part->next) {
    if (!out.empty()) out += ',';
    // Appended piece by piece: g++ 12 at -O3 reports a false -Wrestrict on
    // the temporaries of "'" + text + "'".
    if (part->kind == VERSION_PART_NUMBER) {
      out += std::to_string(part->value.number);
    } else {
      out.append(1, '\'').append(part->value.text).append(1, '\'');
    }
  }
  return out;
}

// A winner as the aggregates hold one, released when it goes.
struct owned_winner {
  winner state{};
  owned_winner() = default;
  owned_winner(const owned_winner&) = delete;
  owned_winner& operator=(const owned_winner&) = delete;
  ~owned_winner() { winner_clear(state); }

  // Considers each row in turn; the winner's text after them.
  std::string consider(std::initializer_list<std::string_view> rows, int side,
                       const splitting& split = DEFAULT_SPLITTING) {
    for (std::string_view row : rows) {
      if (winner_consider(state, row, split, side) != winner_status::ok) return "<no memory>";
    }
    return winner_present(state) ? std::string(winner_text(state)) : "<none>";
  }
};

inline owned_list parse(const std::string& text,
                        const char* separators = DEFAULT_VERSION_SEPARATORS) {
  return owned_list(version_parse(text.c_str(), separators).parts);
}

// Ascending under the version collation, each strictly after the one before.
inline const std::vector<std::string> kSortedTexts = {
    "",         ".1",    "1..2",       "a..",        "x.",  // not versions: bytes order them
    "+x",       "1",                                        // a word starting with '+' first
    "1.02",     "1.2",   "1.2a",       "1.2b",              // equal versions: bytes order them
    "1.2.0",    "1.2.5", "1.2-alpha",  "1.2-beta",   "1.9", "1.10", "2", "2.0-RC1",
    "2.0-beta", "10",    "2147483647", "4294967296", "RC",  "v10",  "v2"};

}  // namespace korvel::testing
