// Chinese texts to reading lattices and strings over a small random
// dictionary, and the lattice distances between them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/reading_fuzz.h"
#include "zh/index/yaml_payload.h"
#include "zh/reading/chinese_distance_error.h"
#include "zh/reading/pinyin_readings.h"

namespace {

const std::vector<std::string> kSurfaces = {"中", "国", "行", "长", "人", "大", "学", "们"};
const std::vector<std::string> kSyllables = {"zhong1", "guo2", "xing2", "hang2", "chang2",
                                             "zhang3", "ren2", "da4", "xue2", "men5",
                                             "lu:4", "nü3", "a", "er2", "r5", "xx9", "zhong", "guo", "xing", "nv"};
const std::vector<std::string> kTextPieces = {
    "中", "国", "行", "长", "人", "大", "学", "们", "zhong", "guo2", " ", "-", "'", "a",
    "Ü", "ü", "v", "1", "５", "　", "漢", "é", "\xF0\x9F\x98\x80"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace lumra;
  FuzzedDataProvider data(bytes, size);
  auto index = zh::parse_zh_yaml_payload(fuzz::random_payload(
      data, "lumra.zh.reading-index.surface-readings",
      data.ConsumeBool() ? "\"pinyin_view\": \"tone3\", " : "\"pinyin_view\": \"no-tone\", ",
      kSurfaces, kSyllables, " "));
  if (!index.ok()) return 0;
  const ja::ReadingOptions options = fuzz::random_options(data);
  const std::uint64_t cutoff = data.ConsumeIntegralInRange(0, 6);
  const std::string left = fuzz::pick(data, kTextPieces, 24);
  const std::string right = data.ConsumeBool() ? fuzz::pick(data, kTextPieces, 24)
                                               : data.ConsumeRemainingBytesAsString();
  for (const std::string& text : {left, right}) {
    auto strings = zh::pinyin_reading_strings(*index.value(), text, options);
    if (!strings.ok()) (void)zh::message(strings.error());
  }
  auto left_lattice = zh::pinyin_reading_lattice(*index.value(), left, options);
  auto right_lattice = zh::pinyin_reading_lattice(*index.value(), right, options);
  if (!left_lattice.ok()) (void)zh::message(left_lattice.error());
  if (!right_lattice.ok()) (void)zh::message(right_lattice.error());
  if (left_lattice.ok() && right_lattice.ok()) {
    fuzz::check_distances(left_lattice.value(), right_lattice.value(), cutoff);
  }
  return 0;
}
