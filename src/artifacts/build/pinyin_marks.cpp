#include "artifacts/build/pinyin_marks.h"

#include <cstdint>

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

namespace lumra::artifacts::build {

namespace {

int tone_of_mark(char16_t mark) {
  switch (mark) {
    case 0x0304: return 1;  // macron
    case 0x0301: return 2;  // acute
    case 0x030C: return 3;  // caron
    case 0x0300: return 4;  // grave
    default: return 0;
  }
}

std::string convert_syllable(std::u16string_view syllable) {
  std::u16string letters;
  int tone = 0;
  bool only_lower_letters = !syllable.empty();
  for (std::size_t i = 0; i < syllable.size(); ++i) {
    char16_t c = syllable[i];
    if (int t = tone_of_mark(c)) {
      tone = t;
      continue;
    }
    if (c == 0x0308 && !letters.empty() && (letters.back() == u'u' || letters.back() == u'U')) {
      letters.back() = letters.back() == u'u' ? u'v' : u'V';
      continue;
    }
    // Combining marks that are not tones (the circumflex of ê) belong to
    // their letter; lower case here means the letters of pinyin syllables.
    bool combining = c >= 0x0300 && c <= 0x036F;
    if (!combining && !(c >= u'a' && c <= u'z')) only_lower_letters = false;
    letters.push_back(c);
  }
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
  icu::UnicodeString text(false, letters.data(), static_cast<std::int32_t>(letters.size()));
  icu::UnicodeString composed = U_SUCCESS(status) ? nfc->normalize(text, status) : text;
  if (U_FAILURE(status)) composed = text;
  std::string out;
  composed.toUTF8String(out);
  if (tone != 0) {
    out.push_back(static_cast<char>('0' + tone));
  } else if (only_lower_letters) {
    out.push_back('5');
  }
  return out;
}

}  // namespace

std::string tone_marks_to_digits(std::string_view marked) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
  icu::UnicodeString text = icu::UnicodeString::fromUTF8(
      icu::StringPiece(marked.data(), static_cast<std::int32_t>(marked.size())));
  icu::UnicodeString decomposed = U_SUCCESS(status) ? nfd->normalize(text, status) : text;
  if (U_FAILURE(status)) decomposed = text;
  std::u16string_view all(decomposed.getBuffer(), static_cast<std::size_t>(decomposed.length()));
  std::string out;
  while (!all.empty()) {
    std::size_t space = all.find(u' ');
    std::u16string_view syllable = all.substr(0, space);
    all.remove_prefix(space == std::u16string_view::npos ? all.size() : space + 1);
    if (syllable.empty()) continue;
    if (!out.empty()) out.push_back(' ');
    out += convert_syllable(syllable);
  }
  return out;
}

}  // namespace lumra::artifacts::build
