#include "artifacts/fst/opening_walk.h"

namespace lumra::fst {

Result<OpeningWalk, FstError> OpeningWalk::start(std::span<const std::uint8_t> bytes,
                                                 std::size_t max_key_bytes, KeyAutomaton key_automaton) {
  LUMRA_TRY_ASSIGN(FstMap map, FstMap::open_footer(bytes));
  return OpeningWalk(std::move(map), max_key_bytes, key_automaton);
}

std::optional<FstMap> OpeningWalk::finish() && {
  if (!walk_.done()) return std::nullopt;
  // Every reachable node has been met and checked: a node is reachable
  // only through transitions, and the walk took every transition of every
  // node it met. Each final state ended at least one key, so the key count
  // the walk confirmed covers them, as open() asks.
  map_.cache_first_steps();
  return std::move(map_);
}

}  // namespace lumra::fst
