// Many short queries scored against one choice at a time, by the Levenshtein
// or the restricted Damerau distance.
//
// In a batch matrix of short words, one bit-parallel comparison needs only a
// few bits of a 64-bit word, and each column step is a dozen dependent
// operations for a handful of useful bits. Here the queries of a block share
// one 256-bit register instead, each in a lane just as wide as it needs:
// 8 bits for queries of up to 8 symbols (32 queries side by side), 16 bits
// for up to 16 (16 queries), 32 for up to 32 (8) and 64 for up to 64 (4).
// One pass over a choice then advances every query of the block at once.
//
// The match masks are laid out per symbol as one 32-byte row holding every
// lane's mask, so a column fetches all of them with a single load. Symbols
// below 256 index those rows directly; larger code points go through a small
// map of the symbols the block's queries contain.
//
// Lanes add without carrying into their neighbours, and the bit-parallel
// step only carries information towards higher bits, so the unused bits
// above a short query's length never disturb its result. Each result is
// exactly the Levenshtein distance of the whole query and the whole choice;
// the distance does not depend on common affixes, so nothing is stripped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "core/strings/string_workspace.h"
#include "core/base/symbols.h"
#include "core/base/text_table.h"

namespace lumra::internal {

// The longest query a lane holds.
inline constexpr std::size_t kLaneQueryMaxLength = 64;

// The distance the lanes compute: Levenshtein, or the restricted Damerau
// distance (optimal string alignment).
enum class LaneMetric { kLevenshtein, kOsa };

// Which code path runs the lanes.
enum class LaneCode { kAuto, kPortable, kAvx2 };

// The number of queries a block holds when its longest query has `length`
// symbols (1 .. kLaneQueryMaxLength).
std::size_t lanes_for_length(std::size_t length);

// Scratch for the block tables; allocated once, reused by every block.
class QueryBlockTables;
struct QueryBlockScratch {
  QueryBlockScratch();
  ~QueryBlockScratch();
  QueryBlockScratch(const QueryBlockScratch&) = delete;
  QueryBlockScratch& operator=(const QueryBlockScratch&) = delete;

  std::unique_ptr<QueryBlockTables> tables;
  StringWorkspace workspace;  // for choices too long for narrow lanes
};

// rows[i][c] = the metric's distance of queries[i] and choices[c] for
// every query and choice; with a cutoff, under the integer cutoff rule,
// which is what the bounded form with the cutoff as bound gives: it returns
// the distance exactly whenever it is within the bound. Meant for a block of
// at most lanes_for_length(longest query) queries of up to
// kLaneQueryMaxLength symbols; more are taken a block at a time, and longer
// ones are compared one by one.
void query_block_distances(LaneMetric metric, std::span<const Symbols> queries,
                           TextTableView choices, std::uint64_t* const* rows,
                           QueryBlockScratch& scratch,
                           std::optional<std::uint64_t> cutoff = std::nullopt,
                           LaneCode code = LaneCode::kAuto);

}  // namespace lumra::internal
