// Affixes and early settlements read in 1-, 2- and 4-byte storage against
// the same texts widened to symbols: strip_common_affixes must leave the
// same middles, and whatever settle_early reports must be what both
// metrics give with the same bound (a length difference beyond it, the
// exact distance, or the distance of the middles).
#include "core/strings/native_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "core/strings/internal/affixes.h"
#include "core/strings/native_metrics.h"
#include "core/strings/string_metrics.h"
#include "random_texts.h"

namespace lumra {
namespace {

using testing::describe;
using Text = std::vector<Symbol>;

// A text kept in units of one width, as a caller would hold it.
class Stored {
 public:
  Stored(const Text& text, unsigned width) : width_(width), bytes_(text.size() * width) {
    for (std::size_t i = 0; i < text.size(); ++i) {
      for (unsigned b = 0; b < width; ++b) {
        bytes_[i * width + b] = static_cast<unsigned char>(text[i] >> (8 * b));
      }
    }
    // Little-endian units, as the machines this runs on keep them.
  }
  NativeText view() const { return {bytes_.data(), bytes_.size() / width_, width_}; }

 private:
  unsigned width_;
  std::vector<unsigned char> bytes_;
};

// The widest code point each width holds.
Symbol widest(unsigned width) { return width == 1 ? 0xFF : width == 2 ? 0xFFFF : 0x10FFFF; }

std::vector<std::optional<std::uint64_t>> bounds_around(std::uint64_t difference,
                                                        std::uint64_t longer) {
  std::vector<std::optional<std::uint64_t>> bounds{std::nullopt, 0, 1, 2, 3, difference + 1,
                                                   longer, std::numeric_limits<std::uint64_t>::max()};
  bounds.push_back(difference);  // exactly at the length difference: still within
  if (difference > 0) bounds.push_back(difference - 1);
  return bounds;
}

void check_pair(const Text& a, const Text& b, unsigned a_width, unsigned b_width,
                StringWorkspace& ws) {
  const Stored left(a, a_width);
  const Stored right(b, b_width);
  SCOPED_TRACE(describe(a) + " (" + std::to_string(a_width) + " bytes) / " + describe(b) + " (" +
               std::to_string(b_width) + " bytes)");

  const auto [left_middle, right_middle] = internal::strip_common_affixes(a, b);
  const CommonAffixes affixes = common_affixes(left.view(), right.view());
  ASSERT_EQ(affixes.prefix, static_cast<std::size_t>(left_middle.data() - a.data()));
  ASSERT_EQ(a.size() - affixes.prefix - affixes.suffix, left_middle.size());
  ASSERT_EQ(b.size() - affixes.prefix - affixes.suffix, right_middle.size());

  const std::uint64_t difference = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
  for (const auto bound : bounds_around(difference, std::max(a.size(), b.size()))) {
    SCOPED_TRACE("bound " + (bound ? std::to_string(*bound) : std::string("none")));
    const std::uint64_t levenshtein = levenshtein_with_cutoff(a, b, bound, ws);
    const std::uint64_t osa = osa_with_cutoff(a, b, bound, ws);
    // The metrics read in place give what the widened texts give.
    EXPECT_EQ(levenshtein_with_cutoff(left.view(), right.view(), bound, ws), levenshtein);
    EXPECT_EQ(osa_with_cutoff(left.view(), right.view(), bound, ws), osa);
    const EarlySettlement settled = settle_early(left.view(), right.view(), bound);
    switch (settled.kind) {
      case EarlySettlement::Kind::kBeyondBound:
        ASSERT_TRUE(bound && difference > *bound);
        EXPECT_GT(levenshtein, *bound);
        EXPECT_GT(osa, *bound);
        break;
      case EarlySettlement::Kind::kDistance:
        EXPECT_EQ(levenshtein_with_cutoff(a, b, std::nullopt, ws), settled.distance);
        EXPECT_EQ(osa_with_cutoff(a, b, std::nullopt, ws), settled.distance);
        EXPECT_EQ(settled.affixes.prefix, affixes.prefix);
        EXPECT_EQ(settled.affixes.suffix, affixes.suffix);
        break;
      case EarlySettlement::Kind::kMiddles: {
        ASSERT_FALSE(bound && difference > *bound);
        EXPECT_FALSE(left_middle.empty() || right_middle.empty());
        EXPECT_EQ(levenshtein_with_cutoff(left_middle, right_middle, bound, ws), levenshtein);
        EXPECT_EQ(osa_with_cutoff(left_middle, right_middle, bound, ws), osa);
        break;
      }
    }
  }
}

const unsigned kWidths[] = {1, 2, 4};

TEST(NativeText, AffixesAndSettlementsOfRandomPairs) {
  testing::TextGenerator generate(0xA1F);
  StringWorkspace ws;
  for (const unsigned a_width : kWidths) {
    for (const unsigned b_width : kWidths) {
      // Symbols both widths hold, from each end of the narrower range.
      const Symbol top = std::min(widest(a_width), widest(b_width));
      const testing::Alphabet alphabet{"shared", {0, 1, 'a', top - 1, top}};
      for (int round = 0; round < 60; ++round) {
        const Text a = generate.text(alphabet, generate.length(round % 4 == 0 ? 140 : 20));
        const Text b = round % 2 == 0 ? generate.edited(a, alphabet, 3)
                                      : generate.text(alphabet, generate.length(20));
        check_pair(a, b, a_width, b_width, ws);
        if (HasFatalFailure()) return;
      }
    }
  }
}

// One text all prefix, all suffix, or all both, of the other; equal texts;
// an empty text; astral symbols in 4-byte storage next to narrower ones.
TEST(NativeText, AffixesCoveringAWholeText) {
  const Text base{'a', 'b', 0xE9, 'c', 'd'};
  const Text astral{0x1F600, 'a', 0x10FFFF, 0x1F600};
  const std::vector<std::pair<Text, Text>> pairs{
      {base, base},
      {base, {'a', 'b', 0xE9, 'c', 'd', 'x', 'y'}},  // all prefix
      {base, {'x', 'a', 'b', 0xE9, 'c', 'd'}},        // all suffix
      {{'a', 'b', 'd'}, {'a', 'b', 'x', 'x', 'd'}},  // prefix and suffix meet
      {{}, base},
      {{}, {}},
      {{'a', 'a'}, {'a', 'a', 'a'}},  // the suffix must not reach into the prefix
      {astral, {0x1F600, 'a', 0x10FFFF, 0x1F600, 0x1F601}},
      {{'a'}, astral},
  };
  StringWorkspace ws;
  for (const auto& [a, b] : pairs) {
    for (const unsigned a_width : kWidths) {
      for (const unsigned b_width : kWidths) {
        bool fits = true;
        for (const Symbol c : a) fits = fits && c <= widest(a_width);
        for (const Symbol c : b) fits = fits && c <= widest(b_width);
        if (!fits) continue;
        check_pair(a, b, a_width, b_width, ws);
        check_pair(b, a, b_width, a_width, ws);
      }
    }
  }
}

// A length difference beyond the bound is settled from the lengths: the
// texts' storage is never read, here because there is none.
TEST(NativeText, LengthsSettleBeforeAnySymbolIsRead) {
  const NativeText left{nullptr, 1000, 2};
  const NativeText right{nullptr, 997, 4};
  EXPECT_EQ(settle_early(left, right, 2).kind, EarlySettlement::Kind::kBeyondBound);
  EXPECT_EQ(settle_early(right, left, 0).kind, EarlySettlement::Kind::kBeyondBound);
}

// Every position of texts long enough for the vector steps and their tail,
// with the values on both sides of the surrogate range.
TEST(NativeText, SurrogatesFoundAnywhere) {
  for (const unsigned width : {2u, 4u}) {
    for (const std::size_t length : {1u, 15u, 16u, 17u, 31u, 32u, 33u, 64u, 100u}) {
      for (std::size_t at = 0; at < length; ++at) {
        for (const Symbol unit : {Symbol{0xD7FF}, Symbol{0xD800}, Symbol{0xDBFF}, Symbol{0xDC00},
                                  Symbol{0xDFFF}, Symbol{0xE000}, Symbol{0xFFFF}}) {
          Text text(length, 0x3042);
          text[at] = unit;
          const bool surrogate = unit >= 0xD800 && unit <= 0xDFFF;
          ASSERT_EQ(free_of_surrogates(Stored(text, width).view()), !surrogate)
              << width << " bytes, length " << length << ", " << unit << " at " << at;
        }
      }
    }
  }
  // Four-byte units above the surrogates wrap to large differences, not small ones.
  EXPECT_TRUE(free_of_surrogates(Stored({0x10FFFF, 0x1F600, 0}, 4).view()));
  EXPECT_TRUE(free_of_surrogates(Stored({0xFF}, 1).view()));
}

}  // namespace
}  // namespace lumra
