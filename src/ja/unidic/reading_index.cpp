#include "ja/unidic/reading_index.h"

#include <optional>
#include <string>

namespace lumra::ja {

namespace {

// Whether a character that folds starts at byte `i` of `surface`: full-width
// ASCII (U+FF01..U+FF5E) is EF BC 81..EF BD 9E in UTF-8 and the ideographic
// space (U+3000) is E3 80 80; everything else stays as it is.
char32_t full_width_at(std::string_view surface, std::size_t i) {
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(surface[i + k]); };
  if (i + 2 < surface.size() && byte(0) == 0xEF && (byte(1) == 0xBC || byte(1) == 0xBD)) {
    const char32_t c = 0xF000 | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
    if (c >= 0xFF01 && c <= 0xFF5E) return c;
  }
  return 0;
}

bool ideographic_space_at(std::string_view surface, std::size_t i) {
  return i + 2 < surface.size() && static_cast<unsigned char>(surface[i]) == 0xE3 &&
         static_cast<unsigned char>(surface[i + 1]) == 0x80 &&
         static_cast<unsigned char>(surface[i + 2]) == 0x80;
}

}  // namespace

bool may_fold_surface(std::string_view text) {
  for (std::size_t i = 0; i + 2 < text.size(); ++i) {
    if (full_width_at(text, i) != 0 || ideographic_space_at(text, i)) return true;
  }
  return false;
}

std::optional<std::string> fold_surface(std::string_view surface) {
  // Most surfaces are kana and kanji, in which nothing folds.
  if (!may_fold_surface(surface)) return std::nullopt;
  std::string folded;
  bool changed = false;
  for (std::size_t i = 0; i < surface.size();) {
    if (const char32_t c = full_width_at(surface, i); c != 0) {
      if (!changed) folded.assign(surface.substr(0, i));
      changed = true;
      folded += static_cast<char>(c - 0xFEE0);
      i += 3;
      continue;
    }
    if (ideographic_space_at(surface, i)) {
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
