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
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "artifacts/fst/fst_error.h"
#include "artifacts/fst/fst_map.h"
#include "artifacts/fst/node.h"
#include "core/base/result.h"

namespace lumra::fst {

inline constexpr std::size_t kDefaultMaxKeyBytes = 65536;

class FstStream {
 public:
  explicit FstStream(const FstMap& map, std::size_t max_key_bytes = kDefaultMaxKeyBytes);

  // Moves to the next pair: true when there is one, false at the end. After
  // an error every later call returns the same error.
  Result<bool, FstError> next();

  // The current pair; the key is valid until the next call to next().
  std::string_view key() const { return key_; }
  std::uint64_t value() const { return value_; }

 private:
  struct Frame {
    Node node;
    std::size_t next_transition;
    std::uint64_t output;  // sum of the outputs on the way to `node`
  };

  Result<bool, FstError> fail(FstErrorKind kind, std::uint64_t where);

  const FstMap& map_;
  std::size_t max_key_bytes_;
  std::vector<Frame> frames_;
  std::string key_;
  std::uint64_t value_ = 0;
  std::uint64_t keys_seen_ = 0;
  bool started_ = false;
  bool done_ = false;
  std::optional<FstError> error_;
};

}  // namespace lumra::fst
