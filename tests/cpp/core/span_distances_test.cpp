#include "core/alignment/span_distances.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "random_texts.h"

namespace lumra {
namespace {

using testing::describe;

// The textbook table, row by row: the oracle.
std::uint64_t textbook_levenshtein(Symbols a, Symbols b) {
  std::vector<std::uint64_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::uint64_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::uint64_t up = row[j];
      row[j] = std::min({up + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1] ? 1 : 0)});
      diagonal = up;
    }
  }
  return row[b.size()];
}

struct SweepCase {
  std::string name;
  std::size_t min_query, max_query;
};

void PrintTo(const SweepCase& c, std::ostream* out) { *out << c.name; }

class SpanDistancesSweep : public ::testing::TestWithParam<SweepCase> {};

// Spans in the order the alignment asks for them (by start, then growing),
// and then in a scrambled order, which forces restarts.
TEST_P(SpanDistancesSweep, EveryAlphabetAndOrderGivesTheTextbookDistance) {
  const SweepCase& c = GetParam();
  testing::TextGenerator generate(0xD15 + c.max_query);
  for (const testing::Alphabet& alphabet : testing::test_alphabets()) {
    for (int round = 0; round < 3; ++round) {
      const std::vector<Symbol> query =
          generate.text(alphabet, c.min_query + generate.below(c.max_query - c.min_query + 1));
      std::vector<Symbol> text = generate.text(alphabet, generate.below(24));
      const auto copy = generate.edited(query, alphabet, 3);
      text.insert(text.begin() + static_cast<std::ptrdiff_t>(generate.below(text.size() + 1)),
                  copy.begin(), copy.end());
      SCOPED_TRACE(std::string(alphabet.name) + " query " + describe(query) + " text " +
                   describe(text));
      std::vector<TextSpan> spans;
      for (std::uint64_t s = 0; s <= text.size(); ++s) {
        for (std::uint64_t e = s; e <= text.size(); ++e) {
          spans.push_back({Symbols(text).subspan(s, e - s), s, e});
        }
      }
      SpanDistances in_order(query, text);
      for (const TextSpan& span : spans) {
        ASSERT_EQ(in_order.distance(span), textbook_levenshtein(query, span.symbols))
            << "span " << span.start << ".." << span.end;
      }
      SpanDistances scrambled(query, text);
      for (std::size_t k = 0; k < spans.size(); ++k) {
        const TextSpan& span = spans[(k * 7919) % spans.size()];
        ASSERT_EQ(scrambled.distance(span), textbook_levenshtein(query, span.symbols))
            << "span " << span.start << ".." << span.end;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Queries, SpanDistancesSweep,
                         ::testing::Values(SweepCase{"EmptyOrShort", 0, 5},
                                           SweepCase{"OneWord", 60, 64},
                                           SweepCase{"PastOneWord", 65, 70},
                                           SweepCase{"ThreeWords", 128, 131}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace lumra
