#include "payload/streamed_entries.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "core/base/message_template.h"

namespace lumra::payload {

namespace {

constexpr std::array<std::string_view, 2> kEntryKeys = {"surface", "readings"};
constexpr std::size_t kSurface = 0;
constexpr std::size_t kReadings = 1;

// One entry's texts, reused from entry to entry so that their capacity
// carries over.
struct EntryScratch {
  std::string surface;
  std::vector<std::string> readings;  // the first `kept` are this entry's
  std::uint64_t kept = 0;
  std::uint64_t reading_count = 0;
  std::string overflow;  // readings past the kept ones pass through here
  std::vector<std::string_view> views;
};

Status<YamlError> read_readings(YamlDecoder& decoder, std::uint64_t keep, EntryScratch& entry) {
  LUMRA_TRY(decoder.enter_sequence());
  entry.reading_count = 0;
  entry.kept = 0;
  for (;;) {
    LUMRA_TRY_ASSIGN(bool more, decoder.next_item());
    if (!more) break;
    std::uint64_t index = entry.reading_count++;
    if (index >= keep) {
      LUMRA_TRY(decoder.read_string(entry.overflow));
      continue;
    }
    if (index == entry.readings.size()) entry.readings.emplace_back();
    LUMRA_TRY(decoder.read_string(entry.readings[index]));
  }
  entry.kept = std::min(entry.reading_count, keep);
  return Unit{};
}

Status<YamlError> read_entry(YamlDecoder& decoder, std::string_view record_name, std::uint64_t keep,
                             EntryScratch& entry) {
  YamlMark start = decoder.mark();
  LUMRA_TRY(decoder.enter_mapping(record_name));
  std::array<bool, kEntryKeys.size()> seen = {};
  for (;;) {
    YamlMark key_mark;
    LUMRA_TRY_ASSIGN(std::size_t key, decoder.next_key(kEntryKeys, key_mark));
    if (key == YamlDecoder::kEndOfMapping) break;
    if (seen[key]) {
      return Fail(
          YamlDecoder::error_at(fill_message("duplicate field `{}`", kEntryKeys[key]), key_mark));
    }
    seen[key] = true;
    switch (key) {
      case kSurface: LUMRA_TRY(decoder.read_string(entry.surface)); break;
      case kReadings: LUMRA_TRY(read_readings(decoder, keep, entry)); break;
    }
  }
  for (std::size_t key = 0; key < kEntryKeys.size(); ++key) {
    if (!seen[key]) {
      return Fail(
          YamlDecoder::error_at(fill_message("missing field `{}`", kEntryKeys[key]), start));
    }
  }
  return Unit{};
}

}  // namespace

Status<YamlError> read_value(YamlDecoder& decoder, StreamedEntries& entries) {
  SurfaceTableBuilder& builder = *entries.builder;
  std::uint64_t keep = builder.limits().reading_count;
  EntryScratch entry;
  LUMRA_TRY(decoder.enter_sequence());
  for (;;) {
    LUMRA_TRY_ASSIGN(bool more, decoder.next_item());
    if (!more) return Unit{};
    LUMRA_TRY(read_entry(decoder, entries.entry_record_name, keep, entry));
    entry.views.assign(entry.readings.begin(), entry.readings.begin() + entry.kept);
    builder.add(entry.surface, entry.views, entry.reading_count);
  }
}

}  // namespace lumra::payload
