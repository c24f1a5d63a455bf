// Malformed FSTs, each built to break one rule, and what the reader says.
#include <gtest/gtest.h>

#include "artifacts/fst/format.h"
#include "artifacts/fst/opening_walk.h"
#include "fst_test_support.h"

namespace lumra::fst::testing {
namespace {

// Header, `nodes` from address 16, footer and a zero checksum. The root
// defaults to the last node byte, as the writer places it.
Bytes assemble(const Bytes& nodes, std::uint64_t key_count, std::optional<std::uint64_t> root = {},
               std::uint64_t version = 3) {
  Bytes out(16, 0);
  out[0] = static_cast<std::uint8_t>(version);
  out.insert(out.end(), nodes.begin(), nodes.end());
  auto append_u64 = [&](std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  append_u64(key_count);
  append_u64(root.value_or(15 + nodes.size()));
  if (version >= 3) out.insert(out.end(), 4, 0);
  return out;
}

void set_key_count(Bytes& fst, std::uint64_t count) {
  for (int i = 0; i < 8; ++i) fst[fst.size() - 20 + i] = static_cast<std::uint8_t>(count >> (8 * i));
}

Bytes with_key_count(Bytes fst, std::uint64_t count) {
  set_key_count(fst, count);
  return fst;
}

// 33 one-byte keys: a root of 33 transitions to the empty final state, laid
// out as 33 deltas, 33 inputs (0x20..0x40, last first), the 256-byte index
// at address 82, pack sizes and state.
Bytes indexed_root() {
  Pairs pairs;
  for (char c = 0x20; c <= 0x40; ++c) pairs[std::string(1, c)] = 0;
  return build(pairs);
}
constexpr std::size_t kIndexAt = 16 + 33 + 33;

Bytes with_byte(Bytes fst, std::size_t at, std::uint8_t value) {
  fst[at] = value;
  return fst;
}

struct OpenCase {
  std::string name;
  Bytes bytes;
  FstErrorKind expected;
};

class MalformedFstTest : public ::testing::TestWithParam<OpenCase> {};

TEST_P(MalformedFstTest, OpenRejectsIt) {
  Result<FstMap, FstError> map = FstMap::open(GetParam().bytes);
  ASSERT_FALSE(map.ok());
  EXPECT_EQ(map.error().kind, GetParam().expected) << describe(map.error());
  EXPECT_EQ(message(map.error()), "FST error");
}

// The walk that checks the nodes as it meets them fails on the same fault.
TEST_P(MalformedFstTest, OpeningWalkRejectsIt) {
  Result<OpeningWalk, FstError> walk = OpeningWalk::start(GetParam().bytes);
  Result<bool, FstError> more = walk.ok() ? walk.value().next() : Fail(walk.error());
  while (more.ok() && more.value()) more = walk.value().next();
  ASSERT_FALSE(more.ok());
  EXPECT_EQ(more.error().kind, GetParam().expected) << describe(more.error());
}

const Bytes kOneKeyA = build({{"a", 1}});

INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedFstTest,
    ::testing::Values(
        OpenCase{"empty_section", {}, FstErrorKind::kTooShort},
        OpenCase{"one_byte_short", Bytes(35, 0), FstErrorKind::kTooShort},
        OpenCase{"version_0", with_byte(kOneKeyA, 0, 0), FstErrorKind::kUnsupportedVersion},
        OpenCase{"version_4", with_byte(kOneKeyA, 0, 4), FstErrorKind::kUnsupportedVersion},
        OpenCase{"version_high_byte", with_byte(kOneKeyA, 7, 1), FstErrorKind::kUnsupportedVersion},
        OpenCase{"root_not_last", assemble({0x00, 0x10, 0x85, 0x00}, 1, 18), FstErrorKind::kBadRootAddress},
        OpenCase{"root_0_with_nodes", assemble({0x00, 0x10, 0x85}, 1, 0), FstErrorKind::kBadRootAddress},
        OpenCase{"version_2_footer_read_as_3", with_byte(kOneKeyA, 0, 2), FstErrorKind::kBadRootAddress},
        // A one-transition-next node as the first node would lead into the header.
        OpenCase{"next_into_header", assemble({0xC5}, 1), FstErrorKind::kBadTransitionTarget},
        OpenCase{"delta_into_header", assemble({0x0B, 0x10, 0x85}, 1), FstErrorKind::kBadTransitionTarget},
        OpenCase{"delta_below_zero", assemble({0x40, 0x10, 0x85}, 1), FstErrorKind::kBadTransitionTarget},
        OpenCase{"output_size_9", assemble({0x00, 0x19, 0x85}, 1), FstErrorKind::kBadPackSize},
        OpenCase{"delta_size_0", assemble({0x00, 0x85}, 1), FstErrorKind::kBadPackSize},
        OpenCase{"node_reaches_header", assemble({0x00, 0x10, 0x0A}, 10), FstErrorKind::kNodeOutOfBounds},
        OpenCase{"count_byte_reaches_header", assemble({0x00}, 1), FstErrorKind::kNodeOutOfBounds},
        // Inputs are stored last transition first: "a b" here reads as b, a.
        OpenCase{"inputs_descending", assemble({0x00, 0x00, 'a', 'b', 0x10, 0x02}, 2),
                 FstErrorKind::kUnorderedTransitions},
        OpenCase{"inputs_repeated", assemble({0x00, 0x00, 'a', 'a', 0x10, 0x02}, 2),
                 FstErrorKind::kUnorderedTransitions},
        OpenCase{"index_misses_an_input", with_byte(indexed_root(), kIndexAt + 0x20, 0xFF),
                 FstErrorKind::kBadTransitionIndex},
        OpenCase{"index_names_wrong_transition", with_byte(indexed_root(), kIndexAt + 0x20, 5),
                 FstErrorKind::kBadTransitionIndex},
        OpenCase{"index_invents_an_input", with_byte(indexed_root(), kIndexAt + 0x41, 0),
                 FstErrorKind::kBadTransitionIndex},
        // A non-final node without transitions (address 18) below the root.
        OpenCase{"dead_end_below_root", assemble({0x00, 0x00, 0x00, 0x01, 0x10, 0x85}, 1),
                 FstErrorKind::kDeadEnd},
        OpenCase{"keys_but_count_0", with_key_count(kOneKeyA, 0), FstErrorKind::kKeyCountMismatch},
        OpenCase{"empty_map_count_1", with_key_count(build({}), 1), FstErrorKind::kKeyCountMismatch},
        OpenCase{"count_below_final_states", with_key_count(build({{"a", 0}, {"ab", 0}}), 1),
                 FstErrorKind::kKeyCountMismatch},
        OpenCase{"empty_key_map_count_2", with_key_count(build({{"", 0}}), 2),
                 FstErrorKind::kKeyCountMismatch}),
    [](const auto& info) { return info.param.name; });

TEST(FstWalkTest, KeyCountBeyondTheKeysFailsAtTheEnd) {
  Bytes fst = with_key_count(build({{"a", 1}, {"b", 2}}), 3);
  Result<FstMap, FstError> map = FstMap::open(fst);
  ASSERT_TRUE(map.ok());
  FstError error{};
  EXPECT_EQ(walk(map.value(), kDefaultMaxKeyBytes, &error), std::nullopt);
  EXPECT_EQ(error.kind, FstErrorKind::kKeyCountMismatch);
}

// Both keys end in the one empty final state, so open() counts one final
// state; the walk finds the second key too many.
TEST(FstWalkTest, KeyCountShortOfTheKeysFailsOnTheExtraKey) {
  Bytes fst = with_key_count(build({{"ac", 0}, {"bc", 0}}), 1);
  Result<FstMap, FstError> map = FstMap::open(fst);
  ASSERT_TRUE(map.ok());
  FstStream stream(map.value());
  ASSERT_TRUE(stream.next().value());
  EXPECT_EQ(stream.key(), "ac");
  Result<bool, FstError> second = stream.next();
  ASSERT_FALSE(second.ok());
  EXPECT_EQ(second.error().kind, FstErrorKind::kKeyCountMismatch);
  EXPECT_FALSE(stream.next().ok()) << "an error stays";
}

TEST(FstWalkTest, KeysLongerThanTheLimitFail) {
  Bytes fst = build({{"hell", 1}, {"hello", 2}});
  Result<FstMap, FstError> map = FstMap::open(fst);
  ASSERT_TRUE(map.ok());
  FstError error{};
  EXPECT_EQ(walk(map.value(), 4, &error), std::nullopt);
  EXPECT_EQ(error.kind, FstErrorKind::kKeyTooLong);
  EXPECT_EQ(error.where, 4u);
  EXPECT_EQ(walk(map.value(), 5)->size(), 2u);
}

// Nodes the root cannot reach are never decoded, whatever they hold.
TEST(FstOpenTest, IgnoresUnreachableBytes) {
  const Bytes fst = assemble({0xFF, 0xFF, 0x00, 0x10, 0x85}, 1);
  Result<FstMap, FstError> map = FstMap::open(fst);
  ASSERT_TRUE(map.ok()) << describe(map.error());
  EXPECT_EQ(map.value().get("a"), 0u);
}

// A delta reaching exactly address 0 names the empty final state, as delta 0
// does, for a node of either transition encoding.
TEST(FstOpenTest, DeltaToAddressZeroIsTheEmptyFinalState) {
  for (const Bytes& nodes : {Bytes{0x10, 0x10, 0x85}, Bytes{0x10, 'a', 0x10, 0x01}}) {
    const Bytes fst = assemble(nodes, 1);
    Result<FstMap, FstError> map = FstMap::open(fst);
    ASSERT_TRUE(map.ok()) << describe(map.error());
    EXPECT_EQ(map.value().get("a"), 0u);
    EXPECT_EQ(walk(map.value()), (std::vector<std::pair<std::string, std::uint64_t>>{{"a", 0}}));
  }
}

TEST(FstOpenTest, ValuesWrapInsteadOfTrapping) {
  // Root: one transition 'a' with output 2^64 - 1 to a final node with
  // final output 2 (any-transitions form, 0 transitions).
  Bytes nodes = {0x02, 0x01, 0x00, 0x40};  // final node at 19
  Bytes root = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x18, 0x85};
  nodes.insert(nodes.end(), root.begin(), root.end());
  const Bytes fst = assemble(nodes, 1);
  Result<FstMap, FstError> map = FstMap::open(fst);
  ASSERT_TRUE(map.ok()) << describe(map.error());
  EXPECT_EQ(map.value().get("a"), 1u);
  EXPECT_EQ(walk(map.value()), (std::vector<std::pair<std::string, std::uint64_t>>{{"a", 1}}));
}

}  // namespace
}  // namespace lumra::fst::testing
