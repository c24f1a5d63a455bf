// Opens an FST map and walks all its pairs in key order in one pass.
//
// FstMap::open() checks every reachable node in a pass of its own, which
// for a map that is then walked whole costs as much again as the walk: the
// walk meets every reachable node anyway. This walk makes open()'s checks
// of each node as it meets it, before it reads past the node's state byte,
// so it is as safe over hostile bytes as a walk over an opened map, and
// once it has produced every key (and only then) it has checked what
// open() would have, and hands over the map, ready for lookups.
//
//   LUMRA_TRY_ASSIGN(OpeningWalk walk, OpeningWalk::start(bytes));
//   while (true) {
//     LUMRA_TRY_ASSIGN(bool more, walk.next());
//     if (!more) break;
//     use(walk.key(), walk.value());
//   }
//   FstMap map = *std::move(walk).finish();
//
// A walk that fails on a node fails where open() would have failed, with
// one of the faults open() reports ("FST error" to the user). A walk
// stopped early for a reason of the caller's proves nothing about the
// nodes it did not reach: FstMap::open() on the same bytes then tells
// whether the map was valid.
//
// The bytes must outlive the walk and the map.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "artifacts/fst/fst_error.h"
#include "artifacts/fst/fst_map.h"
#include "artifacts/fst/key_order_walk.h"
#include "core/base/result.h"

namespace lumra::fst {

class OpeningWalk {
 public:
  // open()'s checks of the header, the footer and the root. The walk runs
  // `key_automaton` over its keys (key_order_walk.h).
  static Result<OpeningWalk, FstError> start(std::span<const std::uint8_t> bytes,
                                             std::size_t max_key_bytes = kDefaultMaxKeyBytes,
                                             KeyAutomaton key_automaton = kNoKeyAutomaton);
  // The walk would outlive a temporary buffer.
  static Result<OpeningWalk, FstError> start(std::vector<std::uint8_t>&&, std::size_t = 0) = delete;

  // The key count written in the footer.
  std::uint64_t size() const { return map_.size(); }

  // As FstStream's.
  Result<bool, FstError> next() { return walk_.next(); }
  std::string_view key() const { return walk_.key(); }
  std::uint64_t value() const { return walk_.value(); }
  std::size_t shared_prefix() const { return walk_.shared_prefix(); }
  std::uint64_t key_state() const { return walk_.key_state(); }

  // The map, once next() has returned false; nothing before that, or after
  // the walk failed.
  std::optional<FstMap> finish() &&;

 private:
  OpeningWalk(FstMap map, std::size_t max_key_bytes, KeyAutomaton key_automaton)
      : map_(std::move(map)), walk_(map_.walked(), max_key_bytes, key_automaton) {}

  FstMap map_;  // its nodes unchecked until the walk is done
  KeyOrderWalk<true> walk_;
};

}  // namespace lumra::fst
