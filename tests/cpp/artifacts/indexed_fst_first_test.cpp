// The FST's nodes are checked during the walk over the entries, yet a bad
// FST must still be reported before any entry's problem, wherever the walk
// would have met the fault. The first entry here has no readings, so every
// load that gets past the layout meets an entry problem at once: for every
// single-byte change of the FST section, the load reports the FST error
// exactly when the map reader refuses the section.
#include <gtest/gtest.h>

#include "artifacts/fst/fst_map.h"
#include "indexed_test_support.h"

namespace lumra::artifacts::testing {
namespace {

class IndexedFstFirstTest : public ::testing::TestWithParam<Language> {};

TEST_P(IndexedFstFirstTest, BadFstWinsOverAnEarlierEntryProblem) {
  const Language& language = GetParam();
  RawPayload raw;
  raw.magic = language.magic;
  raw.readings = record({});  // offset 0: no readings
  for (const char* surface : {"あ", "日", "日本", "日本語", "本", "本日", "東", "東京", "京都", "都"}) {
    raw.keys[surface] = raw.readings.size();
    raw.readings += record({"ka", "ki"});
  }
  raw.keys["あ"] = 0;
  const Bytes seed = raw.bytes();
  const std::size_t fst_length = fst::testing::build(raw.keys).size();
  const std::string fst_error = language.expect("invalid UniDic indexed artifact FST: FST error");
  ASSERT_EQ(language.load_error(seed),
            language.expect("UniDic artifact payload surface \"あ\" has no readings"));
  int refused = 0;
  for (std::size_t at = 40; at < 40 + fst_length; ++at) {
    for (unsigned value = 0; value < 256; ++value) {
      Bytes bytes = seed;
      bytes[at] = static_cast<std::uint8_t>(value);
      const std::string message = language.load_error(bytes);
      const Result<fst::FstMap, fst::FstError> map =
          fst::FstMap::open(std::span(bytes).subspan(40, fst_length));
      if (!map.ok()) {
        ++refused;
        ASSERT_EQ(message, fst_error) << "byte " << at << " = " << value;
      } else if (message == fst_error) {
        // Only a walk that the map itself cannot finish.
        ASSERT_EQ(fst::testing::walk(map.value()), std::nullopt) << "byte " << at << " = " << value;
      }
    }
  }
  EXPECT_GT(refused, 1000);
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, IndexedFstFirstTest,
                         ::testing::Values(japanese(), chinese()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace lumra::artifacts::testing
