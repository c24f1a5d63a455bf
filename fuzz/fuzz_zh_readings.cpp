// Chinese texts to reading lattices and strings over a small random
// dictionary, and the lattice distances between them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "fuzz/reading_fuzz.h"
#include "zh/index/yaml_payload.h"
#include "zh/reading/chinese_distance_error.h"
#include "zh/reading/pinyin_readings.h"

namespace {

using namespace lumra;

struct Chinese {
  static inline const std::vector<std::string> surfaces = {"中", "国", "行", "长",
                                                           "人", "大", "学", "们"};
  static inline const std::vector<std::string> syllables = {
      "zhong1", "guo2", "xing2", "hang2", "chang2", "zhang3", "ren2", "da4", "xue2", "men5",
      "lu:4",   "nü3",  "a",     "er2",   "r5",     "xx9",    "zhong", "guo", "xing", "nv"};
  static inline const std::vector<std::string> text_pieces = {
      "中", "国", "行", "长", "人", "大", "学", "们", "zhong", "guo2", " ", "-",
      "'",  "a",  "Ü",  "ü",  "v",  "1",  "５", "　", "漢",    "é",    "\xF0\x9F\x98\x80"};

  static auto parse(FuzzedDataProvider& data) {
    const char* view =
        data.ConsumeBool() ? "\"pinyin_view\": \"tone3\", " : "\"pinyin_view\": \"no-tone\", ";
    return zh::parse_zh_yaml_payload(fuzz::random_payload(
        data, "lumra.zh.reading-index.surface-readings", view, surfaces, syllables, " "));
  }
  static auto strings(const zh::ZhReadingIndex& index, std::string_view text,
                      const ja::ReadingOptions& options) {
    return zh::pinyin_reading_strings(index, text, options);
  }
  static std::string describe(const zh::ChineseDistanceError& error) { return zh::message(error); }
  // The extent of a text's strings (what a partial alignment counts instead
  // of writing them): the same failures but the size limit, as many
  // strings, none longer than it says, and within the limit by its count.
  static void check_text(const zh::ZhReadingIndex& index, std::string_view text,
                         const ja::ReadingOptions& options) {
    zh::PinyinReadingTable table;
    const auto extent = zh::pinyin_reading_strings_extent(index, text, options, table);
    const auto strings = zh::pinyin_reading_strings(index, text, options);
    if (!extent.ok()) {
      if (strings.ok() || zh::message(strings.error()) != zh::message(extent.error())) {
        __builtin_trap();
      }
      return;
    }
    if (!strings.ok()) {
      if (!std::holds_alternative<zh::chinese_errors::ReadingStringsTooLarge>(strings.error()) ||
          extent.value().strings * extent.value().longest_bytes <= zh::kMaxReadingStringBytes) {
        __builtin_trap();
      }
      return;
    }
    if (strings.value().size() != extent.value().strings) __builtin_trap();
    for (std::string_view s : strings.value()) {
      if (s.size() > extent.value().longest_bytes) __builtin_trap();
    }
  }
  static auto lattice(const zh::ZhReadingIndex& index, std::string_view text,
                      const ja::ReadingOptions& options) {
    return zh::pinyin_reading_lattice(index, text, options);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  return lumra::fuzz::run_readings_target<Chinese>(bytes, size);
}
