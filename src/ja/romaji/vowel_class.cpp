#include "ja/romaji/vowel_class.h"

#include <array>
#include <initializer_list>

namespace lumra::ja {

namespace {

constexpr VariantList list_of(std::initializer_list<std::string_view> texts) {
  VariantList list;
  for (std::string_view text : texts) list.push_back(text);
  return list;
}

// A mark with no vowel before it stays a dash; after e it may also read i
// (as in "sensei"), after o also u (as in "toukyou").
constexpr std::array<VariantList, kVowelClassCount> kLongVowels = {
    list_of({"-"}),           list_of({"a", "-"}),      list_of({"i", "-"}),
    list_of({"u", "-"}),      list_of({"e", "i", "-"}), list_of({"o", "u", "-"}),
};

}  // namespace

const VariantList& long_vowel_variants(VowelClass last) {
  return kLongVowels[static_cast<std::size_t>(last)];
}

}  // namespace lumra::ja
