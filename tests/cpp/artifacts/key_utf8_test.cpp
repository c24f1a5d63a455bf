// find_utf8_error_after() against find_utf8_error() of the whole key: for
// random valid previous keys cut at every byte, followed by random tails
// with broken bytes anywhere, the error and its position are the same.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "artifacts/indexed/key_utf8.h"

namespace lumra::artifacts {
namespace {

TEST(KeyUtf8Test, AgreesWithCheckingTheWholeKey) {
  static const std::string kCharacters[] = {"a", "z", "é", "日", "に", "\xef\xbd\x81", "𝄞",
                                            "\xe0\xa0\x80", "\xed\x9f\xbf", "\xf4\x8f\xbf\xbf"};
  std::mt19937_64 rng(12);
  for (int trial = 0; trial < 3000; ++trial) {
    std::string previous;
    for (std::size_t n = rng() % 8; n > 0; --n) previous += kCharacters[rng() % std::size(kCharacters)];
    std::string tail;
    for (std::size_t n = rng() % 4; n > 0; --n) tail += kCharacters[rng() % std::size(kCharacters)];
    // Broken bytes: a continuation or lead byte out of place, or anything.
    for (std::size_t n = rng() % 3; n > 0; --n) {
      static const unsigned char kBytes[] = {0x80, 0xBF, 0xC0, 0xC3, 0xE3, 0xED, 0xF0, 0xF5, 0xFF};
      const char byte = static_cast<char>(rng() % 2 ? kBytes[rng() % std::size(kBytes)] : rng());
      tail.insert(rng() % (tail.size() + 1), 1, byte);
    }
    ASSERT_FALSE(ja::find_utf8_error(previous));
    for (std::size_t shared = 0; shared <= previous.size(); ++shared) {
      const std::string key = previous.substr(0, shared) + tail;
      const std::optional<ja::Utf8Error> expected = ja::find_utf8_error(key);
      const std::optional<ja::Utf8Error> found = find_utf8_error_after(key, shared);
      ASSERT_EQ(found.has_value(), expected.has_value()) << trial << " " << shared;
      if (found) {
        ASSERT_EQ(ja::message(*found), ja::message(*expected)) << trial << " " << shared;
      }
    }
  }
}

}  // namespace
}  // namespace lumra::artifacts
