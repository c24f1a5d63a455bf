// For random entry sets, a YAML payload and an indexed payload of the same
// entries answer every lookup alike and give the same canonical entries; an
// indexed index written out again gives the same bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "artifacts/indexed/unidic_indexed_writer.h"
#include "artifacts/indexed/zh_indexed_writer.h"
#include "indexed_test_support.h"
#include "ja/unidic/segmentation.h"
#include "ja/unidic/yaml_payload.h"
#include "zh/index/yaml_payload.h"

namespace lumra::artifacts::testing {
namespace {

using Canonical = std::vector<std::pair<std::string, std::vector<std::string>>>;

template <class Index>
Canonical canonical(const Index& index) {
  Canonical out;
  auto walked = index.for_each_canonical_entry(
      [&](std::string_view surface, const std::vector<std::string_view>& readings) {
        out.emplace_back(std::string(surface), std::vector<std::string>(readings.begin(), readings.end()));
      });
  EXPECT_TRUE(walked.ok());
  return out;
}

// Surfaces that share prefixes and mix one-, two- and three-byte characters.
Entries random_entries(std::mt19937_64& rng, bool chinese_tone3) {
  static const std::vector<std::string> kSurfaceChars = {"a", "b", "é", "日", "本", "の", "ー"};
  static const std::vector<std::string> kJapaneseReadingChars = {"に", "ほ", "ん", "っ", "ぽ", "ひ"};
  Entries entries;
  const std::size_t count = rng() % 60;
  while (entries.size() < count) {
    std::string surface;
    for (std::size_t n = 1 + rng() % 4; n > 0; --n) surface += kSurfaceChars[rng() % kSurfaceChars.size()];
    std::vector<std::string> readings;
    for (std::size_t wanted = 1 + rng() % 3; readings.size() < wanted;) {
      std::string reading;
      for (std::size_t n = 1 + rng() % 3; n > 0; --n) {
        if (chinese_tone3) {
          reading += std::string(1, static_cast<char>('a' + rng() % 4)) + std::to_string(1 + rng() % 5);
        } else {
          reading += kJapaneseReadingChars[rng() % kJapaneseReadingChars.size()];
        }
      }
      if (std::find(readings.begin(), readings.end(), reading) == readings.end()) readings.push_back(reading);
    }
    entries[surface] = readings;
  }
  return entries;
}

// The entries as YAML, in a shuffled order.
std::string yaml_of(const Entries& entries, std::string_view header, std::mt19937_64& rng) {
  std::vector<std::pair<std::string, std::vector<std::string>>> shuffled(entries.begin(), entries.end());
  std::shuffle(shuffled.begin(), shuffled.end(), rng);
  std::string yaml = std::string(header) + "entries:\n";
  for (const auto& [surface, readings] : shuffled) {
    yaml += "- surface: \"" + surface + "\"\n  readings:\n";
    for (const std::string& reading : readings) yaml += "  - \"" + reading + "\"\n";
  }
  if (shuffled.empty()) yaml += "  []\n";
  return yaml;
}

// Every surface, every prefix of one (most of them absent), and the empty
// string.
std::vector<std::string> probes(const Entries& entries) {
  std::vector<std::string> out = {""};
  for (const auto& [surface, readings] : entries) {
    for (std::size_t n = 1; n <= surface.size(); ++n) out.push_back(surface.substr(0, n));
    out.push_back(surface + "a");
  }
  return out;
}

template <class Index, class Lookup>
std::vector<std::optional<std::vector<std::string>>> answers(const Index& index,
                                                             const std::vector<std::string>& keys,
                                                             Lookup lookup) {
  std::vector<std::optional<std::vector<std::string>>> out;
  std::vector<std::string_view> readings;
  for (const std::string& key : keys) {
    auto found = lookup(index, key, readings);
    EXPECT_TRUE(found.ok());
    if (found.ok() && found.value()) {
      out.emplace_back(std::vector<std::string>(readings.begin(), readings.end()));
    } else {
      out.emplace_back(std::nullopt);
    }
  }
  return out;
}

// A random Japanese payload in its YAML form, encoded, and read back in its
// indexed form, handed to `check(entries, yaml, bytes, indexed)`.
template <class Check>
void with_random_japanese_forms(std::mt19937_64& rng, Check&& check) {
    const Entries entries = random_entries(rng, false);
    auto yaml = ja::parse_yaml_payload(yaml_of(
        entries, "schema_version: 1\npayload_type: lumra.unidic.reading-index.surface-readings\n", rng));
    ASSERT_TRUE(yaml.ok()) << ja::message(yaml.error());
    auto bytes = encode_indexed_payload(*yaml.value());
    ASSERT_TRUE(bytes.ok());
    auto indexed = parse_indexed_payload(bytes.value());
    ASSERT_TRUE(indexed.ok()) << ja::message(indexed.error());
    check(entries, *yaml.value(), bytes.value(), *indexed.value());
}

TEST(IndexedPropertyTest, JapaneseYamlAndIndexedAgree) {
  std::mt19937_64 rng(2024);
  for (int trial = 0; trial < 40; ++trial) {
    with_random_japanese_forms(rng, [&](const Entries& entries, const auto& yaml, const auto& bytes,
                                        const auto& indexed) {
    EXPECT_EQ(canonical(indexed), canonical(yaml));
    auto lookup = [](const auto& index, std::string_view key, auto& readings) {
      return index.lookup(key, readings);
    };
    const std::vector<std::string> keys = probes(entries);
    EXPECT_EQ(answers(indexed, keys, lookup), answers(yaml, keys, lookup));
    // Walked a piece at a time, each folded ("ａ" is "a") as lookup_folded does.
    auto folded = [](const auto& index, std::string_view key, auto& readings) {
      return index.lookup_folded(key, readings);
    };
    auto walked = [](const auto& index, std::string_view key, auto& readings) {
      ja::UnidicReadingIndex::SurfaceWalk walk = index.start_surface_walk();
      for (std::size_t at = 0; at < key.size(); at += 1 + at % 3) {
        index.extend_surface_walk(walk, key.substr(at, 1 + at % 3));
      }
      return index.lookup_folded_walked(walk, key, readings);
    };
    std::vector<std::string> folding = keys;
    for (const std::string& key : keys) folding.push_back("\xef\xbd\x81" + key);
    const auto expected = answers(yaml, folding, folded);
    EXPECT_EQ(answers(indexed, folding, walked), expected);
    EXPECT_EQ(answers(yaml, folding, walked), expected);
    auto again = encode_indexed_payload(indexed);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again.value(), bytes);
    });
  }
}

// Segmentation walks the spans from each position through the index: the
// indexed form's FST walk and the map form's whole-span lookups agree.
TEST(IndexedPropertyTest, JapaneseSegmentationAgreesAcrossForms) {
  static const std::vector<std::string> kTextChars = {"a",  "b",  "é", "日",           "本",
                                                      "の", "ー", "\xef\xbd\x81", "\xe3\x80\x80"};
  std::mt19937_64 rng(2026);
  for (int trial = 0; trial < 200; ++trial) {
    with_random_japanese_forms(rng, [&](const Entries&, const auto& yaml, const auto&,
                                        const auto& indexed) {
    std::string text;
    for (std::size_t n = 1 + rng() % 7; n > 0; --n) text += kTextChars[rng() % kTextChars.size()];
    ja::ReadingOptions options;
    options.max_span_chars = rng() % 5;
    options.max_paths = 1 + rng() % 9;
    options.longest_only = rng() % 3 == 0;
    const bool fallback = rng() % 2 == 0;
    auto segmented = [&](const ja::UnidicReadingIndex& index) {
      std::vector<std::vector<std::string>> out;
      auto paths = ja::segment_reading_paths(index, text, options, fallback);
      EXPECT_TRUE(paths.ok());
      if (!paths.ok()) return out;
      for (const ja::ReadingPath& path : paths.value()) {
        out.emplace_back();
        for (const ja::ReadingSegment& segment : path.segments) {
          out.back().push_back(std::string(segment.surface) + "=" + std::string(segment.reading) +
                               (segment.raw ? "!" : ""));
        }
      }
      return out;
    };
    EXPECT_EQ(segmented(indexed), segmented(yaml)) << text;
    });
  }
}

TEST(IndexedPropertyTest, ChineseYamlAndIndexedAgree) {
  std::mt19937_64 rng(2025);
  for (int trial = 0; trial < 40; ++trial) {
    const bool tone3 = trial % 2 == 0;
    Entries entries = random_entries(rng, true);
    if (!tone3) {
      // Pinyin without tone digits; drop entries whose readings then repeat.
      for (auto it = entries.begin(); it != entries.end();) {
        std::vector<std::string> plain;
        for (std::string reading : it->second) {
          std::erase_if(reading, [](char c) { return c >= '1' && c <= '5'; });
          if (std::find(plain.begin(), plain.end(), reading) == plain.end()) plain.push_back(reading);
        }
        it->second = plain;
        ++it;
      }
    }
    const std::string header = std::string("schema_version: 1\npayload_type: ") +
                               std::string(zh::kZhPayloadType) + "\npinyin_view: " +
                               (tone3 ? "tone3" : "normal") + "\n";
    auto yaml = zh::parse_zh_yaml_payload(yaml_of(entries, header, rng));
    ASSERT_TRUE(yaml.ok()) << zh::message(yaml.error());
    auto bytes = encode_zh_indexed_payload(*yaml.value());
    ASSERT_TRUE(bytes.ok());
    auto indexed = parse_zh_indexed_payload(bytes.value());
    ASSERT_TRUE(indexed.ok()) << zh::message(indexed.error());
    EXPECT_EQ(indexed.value()->view(), yaml.value()->view());
    auto from_indexed = zh::to_payload(*indexed.value());
    auto from_yaml = zh::to_payload(*yaml.value());
    ASSERT_TRUE(from_indexed.ok() && from_yaml.ok());
    EXPECT_EQ(from_indexed.value().pinyin_view, from_yaml.value().pinyin_view);
    EXPECT_EQ(canonical(*indexed.value()), canonical(*yaml.value()));
    auto lookup = [](const auto& index, std::string_view key, auto& readings) {
      return index.lookup_readings(key, readings);
    };
    const std::vector<std::string> keys = probes(entries);
    EXPECT_EQ(answers(*indexed.value(), keys, lookup), answers(*yaml.value(), keys, lookup));
  }
}

}  // namespace
}  // namespace lumra::artifacts::testing
