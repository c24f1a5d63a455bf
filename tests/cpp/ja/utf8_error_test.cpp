// find_utf8_error() against a plain character-by-character classifier of
// the standard decoder, on random byte strings that are mostly UTF-8: its
// fast paths for ASCII runs and common three-byte sequences must not change
// which error is found, nor where.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>

#include "ja/unidic/unidic_load_error.h"

namespace lumra::ja {
namespace {

std::optional<Utf8Error> reference_utf8_error(std::string_view bytes) {
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  for (std::size_t i = 0; i < bytes.size();) {
    const unsigned char lead = data[i];
    const std::size_t width = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2
                              : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    if (width == 0) return Utf8Error{i, 1};
    const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    for (std::size_t k = 1; k < width; ++k) {
      if (i + k >= bytes.size()) return Utf8Error{i, std::nullopt};
      const unsigned char next = data[i + k];
      if (k == 1 ? next < low || next > high : (next & 0xC0) != 0x80) {
        return Utf8Error{i, static_cast<std::uint8_t>(k)};
      }
    }
    i += width;
  }
  return std::nullopt;
}

TEST(Utf8ErrorTest, AgreesWithThePlainClassifier) {
  static const std::string kPieces[] = {"a", "abcdefgh", "é", "日", "に", "\xef\xbd\x81", "𝄞",
                                        "\xe0\xa0\x80", "\xed\x9f\xbf", "\xf4\x8f\xbf\xbf",
                                        // an overlong form and a surrogate: three-byte shapes
                                        // that the fast path must leave to the full check
                                        "\xe0\x80\x80", "\xed\xa0\x80"};
  std::mt19937_64 rng(3);
  for (int trial = 0; trial < 20000; ++trial) {
    std::string text;
    for (std::size_t n = rng() % 12; n > 0; --n) text += kPieces[rng() % std::size(kPieces)];
    // Usually one damaged byte: a random value, or a cut.
    if (!text.empty() && rng() % 4 != 0) text[rng() % text.size()] = static_cast<char>(rng());
    if (!text.empty() && rng() % 4 == 0) text.resize(rng() % text.size());
    const std::optional<Utf8Error> expected = reference_utf8_error(text);
    const std::optional<Utf8Error> found = find_utf8_error(text);
    ASSERT_EQ(found.has_value(), expected.has_value()) << trial;
    if (found) {
      ASSERT_EQ(found->valid_up_to, expected->valid_up_to) << trial;
      ASSERT_EQ(found->error_length, expected->error_length) << trial;
    }
  }
}

}  // namespace
}  // namespace lumra::ja
