// All (key, value) pairs of an FstMap in ascending byte order of the keys.
//
//   FstStream stream(map);
//   while (true) {
//     LUMRA_TRY_ASSIGN(bool more, stream.next());
//     if (!more) break;
//     use(stream.key(), stream.value());
//   }
//
// The walk is depth first over nodes that FstMap::open() validated, so it
// always moves forward; what it still checks is what open() could not
// afford to: that no key is longer than `max_key_bytes` (which bounds the
// walk's stack; the node count bounds it too, since no path meets a node
// twice) and that the map holds exactly FstMap::size() keys. Because every
// reachable state is final or has transitions, each step down ends in a key
// within max_key_bytes steps, so the work is bounded by the keys produced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "artifacts/fst/fst_error.h"
#include "artifacts/fst/fst_map.h"
#include "artifacts/fst/key_order_walk.h"
#include "core/base/result.h"

namespace lumra::fst {

class FstStream {
 public:
  explicit FstStream(const FstMap& map, std::size_t max_key_bytes = kDefaultMaxKeyBytes)
      : walk_(map.walked(), max_key_bytes) {}

  // Moves to the next pair: true when there is one, false at the end. After
  // an error every later call returns the same error.
  Result<bool, FstError> next() { return walk_.next(); }

  // The current pair; the key is valid until the next call to next().
  std::string_view key() const { return walk_.key(); }
  std::uint64_t value() const { return walk_.value(); }
  // How many leading bytes the current key shares with the one before it
  // (0 for the first key): checks that ran over the previous key need not
  // run again over these.
  std::size_t shared_prefix() const { return walk_.shared_prefix(); }

 private:
  KeyOrderWalk<false> walk_;
};

}  // namespace lumra::fst
