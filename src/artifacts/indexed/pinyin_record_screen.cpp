#include "artifacts/indexed/pinyin_record_screen.h"

#include <bit>
#include <cstring>

#include "zh/index/plain_pinyin.h"

namespace lumra::artifacts {

namespace {

// One pass over a reading's words answers every check of it but the
// repeats.
template <zh::PinyinView kView>
bool plain_pinyin_reading(const std::uint8_t* bytes, std::size_t size, const std::uint8_t* readable_end) {
  if (size == 0) return false;
  std::uint64_t word;
  if (size < 8) {
    if (readable_end - bytes < 8) {
      word = zh::kPlainPinyinPadding;
      std::memcpy(&word, bytes, size);
      return zh::is_plain_pinyin_word(word, kView);
    }
    // One load of a whole word, its bytes past the reading then replaced
    // by plain ones.
    std::memcpy(&word, bytes, 8);
    const std::uint64_t past = std::endian::native == std::endian::little ? ~std::uint64_t{0} << (8 * size)
                                                                          : ~std::uint64_t{0} >> (8 * size);
    return zh::is_plain_pinyin_word((word & ~past) | (zh::kPlainPinyinPadding & past), kView);
  }
  // Plainness is a property of each byte, so the last word may overlap the
  // one before it.
  for (std::size_t i = 0; i + 8 < size; i += 8) {
    std::memcpy(&word, bytes + i, 8);
    if (!zh::is_plain_pinyin_word(word, kView)) return false;
  }
  std::memcpy(&word, bytes + size - 8, 8);
  return zh::is_plain_pinyin_word(word, kView);
}

template <zh::PinyinView kView>
bool screen_pinyin_record(const ReadingsSection& section, std::uint64_t offset,
                          std::vector<std::string_view>& readings) {
  return screen_record(section, offset, readings, plain_pinyin_reading<kView>);
}

}  // namespace

RecordScreen pinyin_record_screen(zh::PinyinView view) {
  return view == zh::PinyinView::kTone3 ? screen_pinyin_record<zh::PinyinView::kTone3>
                                        : screen_pinyin_record<zh::PinyinView::kNoTone>;
}

}  // namespace lumra::artifacts
