#include "core/lattice/internal/reached_states.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <ostream>
#include <random>
#include <string>

namespace lumra {
namespace {

using internal::ReachedStates;

struct TableCase {
  std::string name;
  std::uint32_t states;   // the flat table from the start up to 65536
  std::uint32_t touched;  // distinct states lowered: past states / 16 the hash table moves
};

void PrintTo(const TableCase& c, std::ostream* out) { *out << c.name; }

class ReachedStatesModel : public ::testing::TestWithParam<TableCase> {};

// Lowers random states with random distances and checks every answer
// against a plain map, through the hash table, its growth, the move to the
// flat table and a reset with a different size in between.
TEST_P(ReachedStatesModel, BehavesLikeAMapOfLowestDistances) {
  const TableCase& c = GetParam();
  std::mt19937_64 rng(c.states ^ c.touched);
  ReachedStates reached;
  for (std::uint32_t size : {c.states, c.states / 3 + 1, c.states}) {
    SCOPED_TRACE("size " + std::to_string(size));
    reached.reset(size);
    std::map<std::uint32_t, std::uint32_t> model;
    const std::uint32_t touched = std::min(c.touched, size);
    // Few distinct states, each lowered several times in random order.
    std::uniform_int_distribution<std::uint32_t> pick(0, touched - 1);
    std::uniform_int_distribution<std::uint32_t> distance(0, 40);
    const std::uint32_t stride = size / touched;
    for (std::uint32_t step = 0; step < touched * 3; ++step) {
      const std::uint32_t state = pick(rng) * stride;
      const std::uint32_t d = distance(rng);
      auto [it, fresh] = model.emplace(state, d);
      const bool lowers = fresh || d < it->second;
      if (lowers) it->second = d;
      ASSERT_EQ(reached.lower(state, d), lowers) << "state " << state;
      ASSERT_EQ(reached.distance(state), it->second);
    }
    for (std::uint32_t probe = 0; probe < size; probe += 1 + size / 1000) {
      const auto it = model.find(probe);
      const std::uint32_t expected = it == model.end() ? ReachedStates::kUnreached : it->second;
      EXPECT_EQ(reached.distance(probe), expected);
    }
    for (const auto& [state, d] : model) EXPECT_EQ(reached.distance(state), d);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Tables, ReachedStatesModel,
    ::testing::Values(TableCase{"OneState", 1, 1}, TableCase{"FlatFromTheStart", 65536, 3000},
                      TableCase{"HashOnly", 1000000, 600},
                      TableCase{"HashGrowsTwice", 1000000, 3000},
                      TableCase{"HashMovesToFlat", 200000, 20000},
                      TableCase{"EveryStateOfALargeTable", 70000, 70000}),
    [](const auto& info) { return info.param.name; });

TEST(ReachedStates, HashTableStaysSmallUnderFewStates) {
  ReachedStates reached;
  reached.reset(16000000);
  for (std::uint32_t s = 0; s < 5000; ++s) ASSERT_TRUE(reached.lower(s * 3000, s % 7));
  // Far below a slot per state (64 MB): a few thousand entries.
  EXPECT_LE(reached.reserved_bytes(), std::size_t{1} << 17);
  EXPECT_EQ(reached.distance(2999 * 3000), 2999u % 7);
  EXPECT_EQ(reached.distance(1), ReachedStates::kUnreached);
}

}  // namespace
}  // namespace lumra
