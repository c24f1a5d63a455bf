// Writes an FST map (format version 3, with its checksum) from keys given in
// strictly ascending byte order.
//
//   FstMapBuilder builder;
//   LUMRA_TRY(builder.add("apple", 3));
//   LUMRA_TRY(builder.add("apricot", 7));
//   std::vector<std::uint8_t> bytes = std::move(builder).finish();
//
// The map is minimal: states with equal futures are written once (see
// node_registry.h). Only the path of the last key is held unwritten, so
// memory is the written bytes plus 24 to 48 bytes per distinct state for
// the registry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "artifacts/fst/fst_error.h"
#include "artifacts/fst/frozen_node.h"
#include "artifacts/fst/node_registry.h"
#include "core/base/result.h"

namespace lumra::fst {

class FstMapBuilder {
 public:
  FstMapBuilder();

  // Adds `key` with `value`. A key equal to or sorting before the previous
  // one is rejected and leaves the builder as it was.
  Status<FstBuildError> add(std::string_view key, std::uint64_t value);

  std::uint64_t size() const { return key_count_; }

  // The serialised map. The builder is spent afterwards.
  std::vector<std::uint8_t> finish() &&;

 private:
  // A state on the path of the last key. Its last transition ("open")
  // leads to the next state on the path, which is not written yet.
  struct PathNode {
    FrozenNode node;
    bool has_open = false;
    std::uint8_t open_input = 0;
    std::uint64_t open_output = 0;
  };

  PathNode& push_path_node(bool is_final);
  void push_output_down(std::size_t depth, std::uint64_t extra);
  void write_path_below(std::size_t depth);
  std::uint64_t write(const FrozenNode& node);

  std::vector<std::uint8_t> out_;
  // path_[0] is the root; only the first path_depth_ entries are in use,
  // the rest keep their buffers for reuse.
  std::vector<PathNode> path_;
  std::size_t path_depth_ = 0;
  NodeRegistry registry_;
  std::string previous_key_;
  std::uint64_t key_count_ = 0;
  std::uint64_t last_address_;
};

}  // namespace lumra::fst
