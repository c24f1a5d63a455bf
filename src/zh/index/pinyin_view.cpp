#include "zh/index/pinyin_view.h"

namespace lumra::zh {

std::optional<PinyinView> parse_pinyin_view(std::string_view name) {
  if (name == "tone3") return PinyinView::kTone3;
  if (name == "no-tone" || name == "notone" || name == "normal") return PinyinView::kNoTone;
  return std::nullopt;
}

std::string_view canonical_name(PinyinView view) {
  return view == PinyinView::kTone3 ? "tone3" : "no-tone";
}

std::optional<PinyinView> pinyin_view_from_code(std::uint32_t code) {
  if (code == static_cast<std::uint32_t>(PinyinView::kNoTone)) return PinyinView::kNoTone;
  if (code == static_cast<std::uint32_t>(PinyinView::kTone3)) return PinyinView::kTone3;
  return std::nullopt;
}

}  // namespace lumra::zh
