#include "version/parts.h"

#include <cstring>

#include "common/sqlite_api.h"

namespace korvel {

namespace {

void release_word(version_part& part) noexcept {
  if (part.kind == VERSION_PART_TEXT) sqlite3_free(part.value.text);
}

version_part* make_record(std::string_view token) noexcept {
  auto* part = static_cast<version_part*>(sqlite3_malloc64(sizeof(version_part)));
  if (part == nullptr) return nullptr;
  *part = version_part{{0}, VERSION_PART_NUMBER, nullptr};
  const version_token classified = classify_version_token(token);
  if (classified.kind == VERSION_PART_NUMBER) {
    part->value.number = classified.number;
    return part;
  }
  const std::string_view word = classified.text;
  char* copy = static_cast<char*>(sqlite3_malloc64(word.size() + 1));
  if (copy == nullptr) {
    sqlite3_free(part);
    return nullptr;
  }
  std::memcpy(copy, word.data(), word.size());
  copy[word.size()] = '\0';
  part->kind = VERSION_PART_TEXT;
  part->value.text = copy;
  return part;
}

version_token token_of(const version_part& part) noexcept {
  if (part.kind == VERSION_PART_NUMBER) return {VERSION_PART_NUMBER, part.value.number, {}};
  return {VERSION_PART_TEXT, 0, part.value.text};
}

version_parse_result fail(version_parse_status status, version_part* list) noexcept {
  version_free(list);
  return {nullptr, status};
}

}  // namespace

version_parse_result version_parse(std::string_view text,
                                   const separator_set& separators) noexcept {
  version_tokenizer tokenizer = make_version_tokenizer(text, separators);
  version_part* head = nullptr;
  version_part** tail = &head;
  std::string_view token;
  for (;;) {
    switch (next_version_token(tokenizer, token)) {
      case token_step::malformed:
        return fail(version_parse_status::malformed, head);
      case token_step::end:
        return {head, version_parse_status::ok};
      case token_step::token:
        break;
    }
    version_part* record = make_record(token);
    if (record == nullptr) return fail(version_parse_status::no_memory, head);
    *tail = record;
    tail = &record->next;
  }
}

version_parse_result version_parse(const char* text, const char* separators) noexcept {
  if (text == nullptr) return {nullptr, version_parse_status::malformed};
  const separator_set set = make_separator_set(separators != nullptr ? separators : "");
  return version_parse(std::string_view(text), set);
}

void version_free(version_part* list) noexcept {
  while (list != nullptr) {
    version_part* next = list->next;
    release_word(*list);
    sqlite3_free(list);
    list = next;
  }
}

int version_compare(const version_part* a, const version_part* b) noexcept {
  for (; a != nullptr && b != nullptr; a = a->next, b = b->next) {
    const int order = version_token_compare(token_of(*a), token_of(*b));
    if (order != 0) return order;
  }
  return (a != nullptr) - (b != nullptr);
}

}  // namespace korvel
