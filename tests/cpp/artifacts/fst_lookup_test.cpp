// Lookups against a std::map over the keys lookups are tuned for: UTF-8 text
// whose lead bytes repeat, so that nodes one and two bytes below the root
// carry transition indexes and the first two bytes go through the map's
// second-level steps, and whose later nodes have a handful of transitions.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "fst_test_support.h"

namespace lumra::fst::testing {
namespace {

// A random text of 1 to `max_chars` characters, each from the 3-byte range
// [first, first + span) of code points, sometimes followed by an ASCII byte.
std::string random_text(std::mt19937_64& rng, char32_t first, unsigned span, int max_chars) {
  std::string text;
  const int chars = 1 + static_cast<int>(rng() % max_chars);
  for (int i = 0; i < chars; ++i) {
    const char32_t c = first + static_cast<char32_t>(rng() % span);
    text += static_cast<char>(0xE0 | (c >> 12));
    text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (c & 0x3F));
  }
  if (rng() % 5 == 0) text += static_cast<char>('a' + rng() % 26);
  return text;
}

struct Shape {
  const char* name;
  char32_t first;
  unsigned span;
  int max_chars;
  int keys;
};

class FstLookupTest : public ::testing::TestWithParam<Shape> {};

TEST_P(FstLookupTest, AgreesWithAnOrderedMap) {
  const Shape shape = GetParam();
  std::mt19937_64 rng(shape.keys);
  Pairs pairs;
  while (pairs.size() < static_cast<std::size_t>(shape.keys)) {
    pairs[random_text(rng, shape.first, shape.span, shape.max_chars)] = 0;
  }
  // Values grow with the keys, as record offsets do: the outputs then sit on
  // the transitions near the root rather than cancelling out to zero there.
  std::uint64_t offset = 0;
  for (auto& [key, value] : pairs) value = offset += 1 + rng() % 40;
  Bytes bytes = build(pairs);
  // Version 2 differs only by the missing checksum.
  Bytes version2(bytes.begin(), bytes.end() - 4);
  version2[0] = 2;
  for (const Bytes* fst : {&bytes, &version2}) {
    Result<FstMap, FstError> map = FstMap::open(*fst);
    ASSERT_TRUE(map.ok()) << describe(map.error());
    const auto expect = [&](const std::string& probe) {
      const auto found = pairs.find(probe);
      ASSERT_EQ(map.value().get(probe),
                found == pairs.end() ? std::nullopt : std::optional(found->second))
          << "probe of " << probe.size() << " bytes";
    };
    for (const auto& [key, value] : pairs) {
      // The key, every prefix of it (mostly absent, some present), and the
      // key with one more byte of each kind.
      for (std::size_t length = 0; length <= key.size(); ++length) expect(key.substr(0, length));
      expect(key + "\xe3\x81\x82");
      expect(key + "a");
      expect(key + "\x80");
      // The same prefixes, and some that no key continues, walked a piece
      // of one to four bytes at a time.
      const std::string walked = key + "a\xe3\x81\x82";
      FstMap::PrefixWalk walk = map.value().start_prefix_walk();
      for (std::size_t at = 0; at < walked.size();) {
        const std::size_t piece = std::min<std::size_t>(walked.size() - at, 1 + rng() % 4);
        map.value().extend(walk, std::string_view(walked).substr(at, piece));
        at += piece;
        ASSERT_EQ(map.value().value_of(walk), map.value().get(walked.substr(0, at)))
            << "walk of " << at << " bytes";
      }
    }
    // Every one- and two-byte probe over the lead bytes used.
    for (unsigned b0 = 0xE0; b0 <= 0xEF; ++b0) {
      for (unsigned b1 = 0; b1 < 256; ++b1) {
        expect(std::string{static_cast<char>(b0), static_cast<char>(b1)});
      }
      expect(std::string(1, static_cast<char>(b0)));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, FstLookupTest,
    ::testing::Values(Shape{"kanji", 0x4E00, 3000, 4, 6000},  // lead bytes e4 and e5
                      Shape{"kana_and_kanji", 0x3041, 0x5000, 3, 4000},
                      Shape{"one_lead_byte", 0x4E00, 64, 2, 1500},  // second bytes b8 only
                      Shape{"few_keys", 0x4E00, 3000, 2, 30}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace lumra::fst::testing
