#include "ja/unidic/reading_index.h"

#include <optional>
#include <string>

namespace lumra::ja {

std::optional<std::string> fold_surface(std::string_view surface) {
  // Full-width ASCII (U+FF01..U+FF5E) is EF BC 81..EF BD 9E in UTF-8 and the
  // ideographic space (U+3000) is E3 80 80; everything else stays as it is.
  // Most surfaces are kana and kanji, in which nothing folds: a scan for
  // the first two bytes of a folding character tells so cheaply.
  bool may_fold = false;
  for (std::size_t i = 0; i + 2 < surface.size() && !may_fold; ++i) {
    const auto lead = static_cast<unsigned char>(surface[i]);
    const auto next = static_cast<unsigned char>(surface[i + 1]);
    may_fold = (lead == 0xEF && (next == 0xBC || next == 0xBD)) || (lead == 0xE3 && next == 0x80);
  }
  if (!may_fold) return std::nullopt;
  std::string folded;
  bool changed = false;
  for (std::size_t i = 0; i < surface.size();) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(surface[i + k]); };
    if (i + 2 < surface.size() && byte(0) == 0xEF && (byte(1) == 0xBC || byte(1) == 0xBD)) {
      char32_t c = 0xF000 | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
      if (c >= 0xFF01 && c <= 0xFF5E) {
        if (!changed) folded.assign(surface.substr(0, i));
        changed = true;
        folded += static_cast<char>(c - 0xFEE0);
        i += 3;
        continue;
      }
    }
    if (i + 2 < surface.size() && byte(0) == 0xE3 && byte(1) == 0x80 && byte(2) == 0x80) {
      if (!changed) folded.assign(surface.substr(0, i));
      changed = true;
      folded += ' ';
      i += 3;
      continue;
    }
    if (changed) folded += surface[i];
    ++i;
  }
  if (!changed) return std::nullopt;
  return folded;
}

Result<bool, UnidicLoadError> UnidicReadingIndex::lookup_folded(
    std::string_view surface, std::vector<std::string_view>& readings) const {
  LUMRA_TRY_ASSIGN(bool found, lookup(surface, readings));
  if (found) return true;
  std::optional<std::string> folded = fold_surface(surface);
  if (!folded) return false;
  return lookup(*folded, readings);
}

Result<bool, UnidicLoadError> UnidicReadingIndex::lookup_folded_walked(
    const SurfaceWalk& walk, std::string_view surface,
    std::vector<std::string_view>& readings) const {
  LUMRA_TRY_ASSIGN(bool found, lookup_walked(walk, surface, readings));
  if (found) return true;
  std::optional<std::string> folded = fold_surface(surface);
  if (!folded) return false;
  return lookup(*folded, readings);
}

}  // namespace lumra::ja
