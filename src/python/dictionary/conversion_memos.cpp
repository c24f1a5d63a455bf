#include "python/dictionary/conversion_memos.h"

#include <cstdint>

namespace lumra::python {

namespace {

void append_number(std::string& key, std::uint64_t value) {
  for (int byte = 0; byte < 8; ++byte) key.push_back(static_cast<char>(value >> (8 * byte)));
}

}  // namespace

std::string conversion_memo_key(const ja::ReadingOptions& options, std::string_view text) {
  std::string key;
  key.reserve(4 * 8 + text.size());
  // Every limit fits far below 2^64 - 1, which marks "every reading".
  append_number(key, options.max_readings_per_segment.value_or(UINT64_MAX));
  append_number(key, options.max_span_chars);
  append_number(key, options.max_paths);
  append_number(key, options.longest_only ? 1 : 0);
  key.append(text);
  return key;
}

}  // namespace lumra::python
