// Japanese texts to reading lattices and strings over a small random
// dictionary, and the lattice distances between them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/reading_fuzz.h"
#include "ja/japanese_distance_error.h"
#include "ja/reading/reading_lattice.h"
#include "ja/reading/reading_strings.h"
#include "ja/unidic/yaml_payload.h"

namespace {

const std::vector<std::string> kSurfaces = {"日", "本", "東", "京", "行", "人", "大", "学",
                                            "あ", "か", "っ", "ー", "A", "１"};
const std::vector<std::string> kKana = {"あ", "い", "う", "か", "き", "きゃ", "しゅ", "ちょ", "っ",
                                        "ん", "ー", "ゔ", "ぁ", "を", "ぢ", "ア", "ヴァ", "ッ", "x"};
// Texts mix the surfaces, kana, ASCII, full-width forms and characters no
// reading covers.
const std::vector<std::string> kTextPieces = {
    "日", "本", "東", "京", "行", "人", "大", "学", "あ", "か", "っ", "ー", "ん", "ゃ", "ッ",
    "ア", "A", "z", "7", " ", "-", "１", "Ａ", "　", "漢", "é", "\xF0\x9F\x98\x80", "'"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace lumra;
  FuzzedDataProvider data(bytes, size);
  auto index = ja::parse_yaml_payload(fuzz::random_payload(
      data, "lumra.unidic.reading-index.surface-readings", "", kSurfaces, kKana, ""));
  if (!index.ok()) return 0;
  const ja::ReadingOptions options = fuzz::random_options(data);
  const std::uint64_t cutoff = data.ConsumeIntegralInRange(0, 6);
  const std::string left = fuzz::pick(data, kTextPieces, 24);
  const std::string right = data.ConsumeBool() ? fuzz::pick(data, kTextPieces, 24)
                                               : data.ConsumeRemainingBytesAsString();
  for (const std::string& text : {left, right}) {
    auto strings = ja::unordered_reading_strings(*index.value(), text, options);
    if (!strings.ok()) (void)ja::message(strings.error());
  }
  auto left_lattice = ja::searchable_reading_lattice(*index.value(), left, options);
  auto right_lattice = ja::searchable_reading_lattice(*index.value(), right, options);
  if (!left_lattice.ok()) (void)ja::message(left_lattice.error());
  if (!right_lattice.ok()) (void)ja::message(right_lattice.error());
  if (left_lattice.ok() && right_lattice.ok()) {
    fuzz::check_distances(left_lattice.value(), right_lattice.value(), cutoff);
  }
  return 0;
}
