#include "ja/romaji/kana_table.h"

#include <cstdint>

namespace lumra::ja {

namespace {

// The order of rows is part of the table: it is the order in which the
// table is listed and tested, not a lookup order.
constexpr KanaRow kRows[] = {
    {U"あ", {"a"}},   {U"い", {"i"}},   {U"う", {"u"}},   {U"え", {"e"}},   {U"お", {"o"}},
    {U"か", {"ka"}},  {U"き", {"ki"}},  {U"く", {"ku"}},  {U"け", {"ke"}},  {U"こ", {"ko"}},
    {U"さ", {"sa"}},  {U"し", {"si", "shi", "ci"}},       {U"す", {"su"}},  {U"せ", {"se"}},
    {U"そ", {"so"}},  {U"た", {"ta"}},  {U"ち", {"ti", "chi"}},           {U"つ", {"tu", "tsu"}},
    {U"て", {"te"}},  {U"と", {"to"}},  {U"な", {"na"}},  {U"に", {"ni"}},  {U"ぬ", {"nu"}},
    {U"ね", {"ne"}},  {U"の", {"no"}},  {U"は", {"ha"}},  {U"ひ", {"hi"}},  {U"ふ", {"hu", "fu"}},
    {U"へ", {"he"}},  {U"ほ", {"ho"}},  {U"ま", {"ma"}},  {U"み", {"mi"}},  {U"む", {"mu"}},
    {U"め", {"me"}},  {U"も", {"mo"}},  {U"や", {"ya"}},  {U"ゆ", {"yu"}},  {U"よ", {"yo"}},
    {U"ら", {"ra"}},  {U"り", {"ri"}},  {U"る", {"ru"}},  {U"れ", {"re"}},  {U"ろ", {"ro"}},
    {U"わ", {"wa"}},  {U"を", {"wo", "o"}},               {U"ん", {"n", "nn", "m"}},
    {U"が", {"ga"}},  {U"ぎ", {"gi"}},  {U"ぐ", {"gu"}},  {U"げ", {"ge"}},  {U"ご", {"go"}},
    {U"ざ", {"za"}},  {U"じ", {"zi", "ji"}},              {U"ず", {"zu"}},  {U"ぜ", {"ze"}},
    {U"ぞ", {"zo"}},  {U"だ", {"da"}},  {U"ぢ", {"di", "ji"}},            {U"づ", {"du", "zu"}},
    {U"で", {"de"}},  {U"ど", {"do"}},  {U"ば", {"ba"}},  {U"び", {"bi"}},  {U"ぶ", {"bu"}},
    {U"べ", {"be"}},  {U"ぼ", {"bo"}},  {U"ぱ", {"pa"}},  {U"ぴ", {"pi"}},  {U"ぷ", {"pu"}},
    {U"ぺ", {"pe"}},  {U"ぽ", {"po"}},  {U"ゔ", {"vu"}},  {U"ぁ", {"xa", "la"}},
    {U"ぃ", {"xi", "li"}},             {U"ぅ", {"xu", "lu"}},                {U"ぇ", {"xe", "le"}},
    {U"ぉ", {"xo", "lo"}},             {U"ゃ", {"xya", "lya"}},              {U"ゅ", {"xyu", "lyu"}},
    {U"ょ", {"xyo", "lyo"}},           {U"っ", {"xtu", "ltu", "ttu"}},       {U"ー", {"-"}},
    {U"きゃ", {"kya"}},                {U"きゅ", {"kyu"}},                   {U"きょ", {"kyo"}},
    {U"しゃ", {"sya", "sha", "cya"}},  {U"しゅ", {"syu", "shu", "cyu"}},
    {U"しょ", {"syo", "sho", "cyo"}},  {U"ちゃ", {"tya", "cha", "cya"}},
    {U"ちゅ", {"tyu", "chu", "cyu"}},  {U"ちょ", {"tyo", "cho", "cyo"}},
    {U"にゃ", {"nya"}},                {U"にゅ", {"nyu"}},                   {U"にょ", {"nyo"}},
    {U"ひゃ", {"hya"}},                {U"ひゅ", {"hyu"}},                   {U"ひょ", {"hyo"}},
    {U"みゃ", {"mya"}},                {U"みゅ", {"myu"}},                   {U"みょ", {"myo"}},
    {U"りゃ", {"rya"}},                {U"りゅ", {"ryu"}},                   {U"りょ", {"ryo"}},
    {U"ぎゃ", {"gya"}},                {U"ぎゅ", {"gyu"}},                   {U"ぎょ", {"gyo"}},
    {U"じゃ", {"zya", "ja", "jya"}},   {U"じゅ", {"zyu", "ju", "jyu"}},
    {U"じょ", {"zyo", "jo", "jyo"}},   {U"びゃ", {"bya"}},                   {U"びゅ", {"byu"}},
    {U"びょ", {"byo"}},                {U"ぴゃ", {"pya"}},                   {U"ぴゅ", {"pyu"}},
    {U"ぴょ", {"pyo"}},
};
static_assert(std::size(kRows) == kKanaRowCount);

// Every key lies in the hiragana block or is the long vowel mark, and every
// second character of a two-character key is a small ya, yu or yo: that is
// what the direct indexes below rely on.
constexpr char32_t kHiraganaFirst = 0x3041;
constexpr char32_t kHiraganaLast = 0x3096;
constexpr std::size_t kHiraganaCount = kHiraganaLast - kHiraganaFirst + 1;
constexpr char32_t kSmallY[3] = {U'ゃ', U'ゅ', U'ょ'};
constexpr std::uint8_t kNoRow = 0xFF;

constexpr bool is_hiragana(char32_t c) { return c >= kHiraganaFirst && c <= kHiraganaLast; }

constexpr int small_y_slot(char32_t c) {
  for (int k = 0; k < 3; ++k) {
    if (kSmallY[k] == c) return k;
  }
  return -1;
}

// Row index by single character (the long vowel mark in the last slot).
constexpr auto kSingleRows = [] {
  std::array<std::uint8_t, kHiraganaCount + 1> index{};
  index.fill(kNoRow);
  for (std::size_t r = 0; r < kKanaRowCount; ++r) {
    const std::u32string_view key = kRows[r].key;
    if (key.size() != 1) continue;
    if (key[0] == kLongVowelMark) {
      index[kHiraganaCount] = static_cast<std::uint8_t>(r);
    } else {
      if (!is_hiragana(key[0])) throw "a single key outside the hiragana block";
      index[key[0] - kHiraganaFirst] = static_cast<std::uint8_t>(r);
    }
  }
  return index;
}();

// Row index by (first character, small ya / yu / yo).
constexpr auto kPairRows = [] {
  std::array<std::uint8_t, kHiraganaCount * 3> index{};
  index.fill(kNoRow);
  for (std::size_t r = 0; r < kKanaRowCount; ++r) {
    const std::u32string_view key = kRows[r].key;
    if (key.size() == 1) continue;
    if (key.size() != 2 || !is_hiragana(key[0]) || small_y_slot(key[1]) < 0) {
      throw "a pair key the index cannot hold";
    }
    index[(key[0] - kHiraganaFirst) * 3 + small_y_slot(key[1])] = static_cast<std::uint8_t>(r);
  }
  return index;
}();

// A combined spelling (an ASCII consonant before a small kana's own
// spelling) must fit the four bytes of a RomajiVariant.
constexpr bool spellings_fit() {
  for (const KanaRow& row : kRows) {
    for (std::string_view v : row.variants) {
      if (v.size() > 3) return false;
    }
    if (row.variants[0].empty()) return false;
  }
  return true;
}
static_assert(spellings_fit());

}  // namespace

std::span<const KanaRow> kana_rows() { return kRows; }

const KanaRow* find_kana_row(char32_t first, char32_t second) {
  std::uint8_t row = kNoRow;
  if (second == 0) {
    if (first == kLongVowelMark) {
      row = kSingleRows[kHiraganaCount];
    } else if (is_hiragana(first)) {
      row = kSingleRows[first - kHiraganaFirst];
    }
  } else if (is_hiragana(first)) {
    const int slot = small_y_slot(second);
    if (slot >= 0) row = kPairRows[(first - kHiraganaFirst) * 3 + slot];
  }
  return row == kNoRow ? nullptr : &kRows[row];
}

}  // namespace lumra::ja
