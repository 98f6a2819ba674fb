#include "version/version_part.h"

#include <cstring>

#include "common/sqlite_api.h"

namespace korvel {

namespace {

void release_word(version_part& part) noexcept {
  if (part.kind == VERSION_PART_TEXT) sqlite3_free(part.value.text);
  part.kind = VERSION_PART_NUMBER;
  part.value.number = 0;
}

// Gives `part` a word buffer holding `word`, keeping its old buffer when it
// is large enough.
bool store_word(version_part& part, std::string_view word) noexcept {
  char* buffer = part.kind == VERSION_PART_TEXT ? part.value.text : nullptr;
  if (buffer == nullptr || sqlite3_msize(buffer) < word.size() + 1) {
    release_word(part);
    buffer = static_cast<char*>(sqlite3_malloc64(word.size() + 1));
    if (buffer == nullptr) return false;
  }
  std::memcpy(buffer, word.data(), word.size());
  buffer[word.size()] = '\0';
  part.kind = VERSION_PART_TEXT;
  part.value.text = buffer;
  return true;
}

version_part* take_record(version_part*& recycled) noexcept {
  if (recycled == nullptr) {
    auto* fresh = static_cast<version_part*>(sqlite3_malloc64(sizeof(version_part)));
    if (fresh != nullptr) *fresh = version_part{{0}, VERSION_PART_NUMBER, nullptr};
    return fresh;
  }
  version_part* record = recycled;
  recycled = record->next;
  record->next = nullptr;
  return record;
}

bool fill_record(version_part& part, std::string_view token) noexcept {
  const version_token classified = classify_version_token(token);
  if (classified.kind == VERSION_PART_TEXT) return store_word(part, classified.text);
  release_word(part);
  part.value.number = classified.number;
  return true;
}

version_parse_result fail(version_parse_status status, version_part* list,
                          version_part* recycled) noexcept {
  version_free(list);
  version_free(recycled);
  return {nullptr, status};
}

}  // namespace

version_parse_result version_parse_recycling(std::string_view text, const separator_set& separators,
                                             version_part* recycled) noexcept {
  version_tokenizer tokenizer = make_version_tokenizer(text, separators);
  version_part* head = nullptr;
  version_part** tail = &head;
  std::string_view token;
  for (;;) {
    switch (next_version_token(tokenizer, token)) {
      case token_step::malformed:
        return fail(version_parse_status::malformed, head, recycled);
      case token_step::end:
        version_free(recycled);
        return {head, version_parse_status::ok};
      case token_step::token:
        break;
    }
    version_part* record = take_record(recycled);
    if (record == nullptr) return fail(version_parse_status::no_memory, head, recycled);
    *tail = record;
    tail = &record->next;
    if (!fill_record(*record, token)) return fail(version_parse_status::no_memory, head, recycled);
  }
}

version_parse_result version_parse(const char* text, const char* separators) noexcept {
  if (text == nullptr) return {nullptr, version_parse_status::malformed};
  const separator_set set = make_separator_set(separators != nullptr ? separators : "");
  return version_parse_recycling(text, set, nullptr);
}

void version_free(version_part* list) noexcept {
  while (list != nullptr) {
    version_part* next = list->next;
    release_word(*list);
    sqlite3_free(list);
    list = next;
  }
}

version_token version_part_token(const version_part& part) noexcept {
  if (part.kind == VERSION_PART_NUMBER) return {VERSION_PART_NUMBER, part.value.number, {}};
  return {VERSION_PART_TEXT, 0, part.value.text};
}

int version_part_compare(const version_part* lhs, const version_part* rhs) noexcept {
  return version_token_compare(version_part_token(*lhs), version_part_token(*rhs));
}

int version_compare(const version_part* a, const version_part* b) noexcept {
  for (; a != nullptr && b != nullptr; a = a->next, b = b->next) {
    const int order = version_part_compare(a, b);
    if (order != 0) return order;
  }
  return (a != nullptr) - (b != nullptr);
}

}  // namespace korvel
