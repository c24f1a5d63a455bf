#include "ja/romaji/variant_lists.h"

#include <array>

#include "ja/romaji/kana_table.h"
#include "ja/text/next_char.h"

namespace lumra::ja {

namespace {

bool is_ascii_consonant(char32_t c) {
  const char32_t lower = (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
  if (lower < 'a' || lower > 'z') return false;
  return lower != 'a' && lower != 'e' && lower != 'i' && lower != 'o' && lower != 'u';
}

// "ya", "yu" or "yo" for a small ya, yu or yo, else empty.
std::string_view small_y_syllable(const RomajiUnit& unit) {
  if (unit.kind != RomajiUnitKind::Kana || unit.second != 0) return {};
  switch (unit.first) {
    case U'ゃ': return "ya";
    case U'ゅ': return "yu";
    case U'ょ': return "yo";
    default: return {};
  }
}

bool is_small_tsu(const RomajiUnit& unit) {
  return unit.kind == RomajiUnitKind::Kana && unit.first == kSmallTsu && unit.second == 0;
}

bool is_long_vowel_mark(const RomajiUnit& unit) {
  return unit.kind == RomajiUnitKind::Kana && unit.first == kLongVowelMark && unit.second == 0;
}

// Every row's spellings as a ready VariantList, in table order.
const std::array<VariantList, kKanaRowCount>& row_variant_lists() {
  static const std::array<VariantList, kKanaRowCount> lists = [] {
    std::array<VariantList, kKanaRowCount> out;
    for (std::size_t r = 0; r < kKanaRowCount; ++r) {
      const KanaRow& row = kana_rows()[r];
      for (std::size_t i = 0; i < row.variant_count(); ++i) out[r].push_back(row.variants[i]);
      out[r].set_row(static_cast<std::uint8_t>(r + 1));
    }
    return out;
  }();
  return lists;
}

}  // namespace

Result<VariantList, JapaneseDistanceError> romaji_variants(const RomajiUnit& unit) {
  if (unit.kind != RomajiUnitKind::Kana) {
    VariantList list;
    char bytes[4];
    list.push_back(std::string_view(bytes, encode_char(unit.first, bytes)));
    return list;
  }
  const KanaRow* row = find_kana_row(unit.first, unit.second);
  if (row == nullptr) return Fail(distance_errors::MissingRomajiVariant{unit.text()});
  return row_variant_lists()[static_cast<std::size_t>(row - kana_rows().data())];
}

bool can_combine_ascii_small_kana(const RomajiUnit& unit, const RomajiUnit& next) {
  return unit.kind == RomajiUnitKind::Ascii && is_ascii_consonant(unit.first) &&
         !small_y_syllable(next).empty();
}

bool list_looks_ahead(const RomajiUnit& unit) {
  return is_small_tsu(unit) || (unit.kind == RomajiUnitKind::Ascii && is_ascii_consonant(unit.first));
}

Status<JapaneseDistanceError> extend_unit_variant_lists(std::span<const RomajiUnit> units,
                                                        UnitVariantLists& lists,
                                                        std::vector<std::size_t>* ends) {
  std::size_t k = ends == nullptr || ends->empty() ? 0 : ends->back();
  auto add = [&](std::optional<VariantList> list, std::size_t next) {
    lists.emplace_back(list);
    if (ends != nullptr) ends->push_back(next);
    k = next;
  };
  while (k < units.size()) {
    const RomajiUnit& unit = units[k];
    if (is_long_vowel_mark(unit)) {
      add(std::nullopt, k + 1);
      continue;
    }
    if (k + 1 < units.size() && can_combine_ascii_small_kana(unit, units[k + 1])) {
      // The consonant keeps its case: "Kゃ" reads "Kya".
      const char consonant = static_cast<char>(unit.first);
      VariantList list;
      char text[RomajiVariant::kMaxBytes] = {consonant};
      const std::string_view syllable = small_y_syllable(units[k + 1]);
      syllable.copy(text + 1, syllable.size());
      list.push_back(std::string_view(text, 1 + syllable.size()));
      const KanaRow* row = find_kana_row(units[k + 1].first);
      for (std::size_t i = 0; i < row->variant_count(); ++i) {
        const std::string_view own = row->variants[i];
        own.copy(text + 1, own.size());
        list.push_back(std::string_view(text, 1 + own.size()));
      }
      list.remove_duplicates();
      add(list, k + 2);
      continue;
    }
    LUMRA_TRY_ASSIGN(VariantList list, romaji_variants(unit));
    if (is_small_tsu(unit) && k + 1 < units.size()) {
      // A small tsu doubles the consonant that follows: any first letter of
      // the next unit's spellings that is not a vowel or the dash.
      LUMRA_TRY_ASSIGN(const VariantList next, romaji_variants(units[k + 1]));
      for (const RomajiVariant& spelling : next) {
        const std::string_view text = spelling.text();
        const std::string_view first = text.substr(0, next_char(text, 0).size);
        if (first == "a" || first == "e" || first == "i" || first == "o" || first == "u" ||
            first == "-") {
          continue;
        }
        if (!list.contains(first)) list.push_back(first);
      }
    }
    list.remove_duplicates();
    add(list, k + 1);
  }
  return Unit{};
}

Status<JapaneseDistanceError> fill_unit_variant_lists(std::span<const RomajiUnit> units,
                                                      UnitVariantLists& lists) {
  lists.clear();
  return extend_unit_variant_lists(units, lists, nullptr);
}

Result<UnitVariantLists, JapaneseDistanceError> unit_variant_lists(std::span<const RomajiUnit> units) {
  UnitVariantLists lists;
  LUMRA_TRY(fill_unit_variant_lists(units, lists));
  return lists;
}

}  // namespace lumra::ja
