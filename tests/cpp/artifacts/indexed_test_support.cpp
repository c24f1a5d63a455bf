#include "indexed_test_support.h"

#include "artifacts/indexed/unidic_indexed_writer.h"
#include "artifacts/indexed/zh_indexed_writer.h"
#include "ja/unidic/map_reading_index.h"
#include "zh/index/map_reading_index.h"

namespace lumra::artifacts::testing {

namespace {

// The canonical walk of `index`, each entry checked against a lookup of its
// surface, with the walk's order checked too.
template <class Index, class Lookup>
std::optional<Entries> walk_and_look_up(const Index& index, Lookup lookup) {
  Entries entries;
  std::string previous;
  bool ordered = true;
  auto walked = index.for_each_canonical_entry(
      [&](std::string_view surface, const std::vector<std::string_view>& readings) {
        if (!entries.empty() && !(previous < surface)) ordered = false;
        previous = surface;
        entries[std::string(surface)] = {readings.begin(), readings.end()};
      });
  EXPECT_TRUE(walked.ok());
  EXPECT_TRUE(ordered) << "canonical entries out of byte order";
  EXPECT_EQ(entries.size(), index.entry_count());
  std::vector<std::string_view> found;
  for (const auto& [surface, readings] : entries) {
    auto hit = lookup(index, surface, found);
    EXPECT_TRUE(hit.ok() && hit.value()) << surface;
    EXPECT_EQ(std::vector<std::string>(found.begin(), found.end()), readings) << surface;
  }
  if (!walked.ok() || !ordered) return std::nullopt;
  return entries;
}

std::string ja_load_error(const Bytes& bytes) {
  auto index = parse_indexed_payload(bytes);
  return index.ok() ? "loaded" : ja::message(index.error());
}

std::string ja_file_load_error(const std::string& path) {
  auto index = load_indexed_payload(path);
  return index.ok() ? "loaded" : ja::message(index.error());
}

std::optional<Entries> ja_entries(const Bytes& bytes) {
  auto index = parse_indexed_payload(bytes);
  if (!index.ok()) return std::nullopt;
  return walk_and_look_up(*index.value(), [](const auto& i, std::string_view s, auto& r) {
    return i.lookup(s, r);
  });
}

std::optional<Bytes> ja_encode(const Entries& entries) {
  ja::UnidicReadingIndexPayload payload{1, std::string(ja::kUnidicPayloadType), {}};
  for (const auto& [surface, readings] : entries) payload.entries.push_back({surface, readings});
  auto bytes = encode_indexed_payload(payload);
  EXPECT_TRUE(bytes.ok()) << (bytes.ok() ? "" : message(bytes.error()));
  if (!bytes.ok()) return std::nullopt;
  return std::move(bytes).value();
}

std::string zh_load_error(const Bytes& bytes) {
  auto index = parse_zh_indexed_payload(bytes);
  return index.ok() ? "loaded" : zh::message(index.error());
}

std::string zh_file_load_error(const std::string& path) {
  auto index = load_zh_indexed_payload(path);
  return index.ok() ? "loaded" : zh::message(index.error());
}

std::optional<Entries> zh_entries(const Bytes& bytes) {
  auto index = parse_zh_indexed_payload(bytes);
  if (!index.ok()) return std::nullopt;
  return walk_and_look_up(*index.value(), [](const auto& i, std::string_view s, auto& r) {
    return i.lookup_readings(s, r);
  });
}

std::optional<Bytes> zh_encode(const Entries& entries) {
  zh::ZhReadingIndexPayload payload{1, std::string(zh::kZhPayloadType), "no-tone", {}};
  for (const auto& [surface, readings] : entries) payload.entries.push_back({surface, readings});
  auto bytes = encode_zh_indexed_payload(payload);
  EXPECT_TRUE(bytes.ok()) << (bytes.ok() ? "" : message(bytes.error()));
  if (!bytes.ok()) return std::nullopt;
  return std::move(bytes).value();
}

}  // namespace

const Language& japanese() {
  static const Language language{"Japanese", "LUMRAI01", "UniDic", ja_load_error,
                                 ja_file_load_error, ja_entries, ja_encode};
  return language;
}

const Language& chinese() {
  static const Language language{"Chinese", "LUMRAZ01", "zh", zh_load_error,
                                 zh_file_load_error, zh_entries, zh_encode};
  return language;
}

}  // namespace lumra::artifacts::testing
