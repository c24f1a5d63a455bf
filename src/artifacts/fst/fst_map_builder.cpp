#include "artifacts/fst/fst_map_builder.h"

#include <algorithm>

#include "artifacts/fst/crc32c.h"
#include "artifacts/fst/format.h"

namespace lumra::fst {
namespace {

void append_u64(std::vector<std::uint8_t>& out, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

FstMapBuilder::FstMapBuilder() : last_address_(kNoAddress) {
  append_u64(out_, kFormatVersion);
  append_u64(out_, 0);  // type tag: the library writes 0 for maps
  push_path_node(false);
}

FstMapBuilder::PathNode& FstMapBuilder::push_path_node(bool is_final) {
  if (path_depth_ == path_.size()) path_.emplace_back();
  PathNode& entry = path_[path_depth_++];
  entry.node.is_final = is_final;
  entry.node.final_output = 0;
  entry.node.transitions.clear();
  entry.has_open = false;
  return entry;
}

Status<FstBuildError> FstMapBuilder::add(std::string_view key, std::uint64_t value) {
  if (key_count_ > 0) {
    const int order = key.compare(previous_key_);  // byte order: chars compare as unsigned
    if (order == 0) return Fail(FstBuildError{FstBuildError::Kind::kDuplicateKey, key_count_});
    if (order < 0) return Fail(FstBuildError{FstBuildError::Kind::kKeyOutOfOrder, key_count_});
  }
  previous_key_.assign(key);
  ++key_count_;
  if (key.empty()) {  // necessarily the first key
    path_[0].node.is_final = true;
    path_[0].node.final_output = value;
    return Unit{};
  }
  // Follow the previous key's path as far as the keys agree. Each shared
  // transition keeps only what both keys can carry (the smaller output);
  // the rest moves one state down, onto everything else that passes there.
  std::size_t depth = 0;
  std::uint64_t output = value;
  while (depth < key.size() && path_[depth].has_open &&
         path_[depth].open_input == static_cast<std::uint8_t>(key[depth])) {
    PathNode& entry = path_[depth];
    const std::uint64_t shared = std::min(entry.open_output, output);
    const std::uint64_t extra = entry.open_output - shared;
    entry.open_output = shared;
    output -= shared;
    ++depth;
    push_output_down(depth, extra);
  }
  // The previous key's states below the fork can no longer change.
  write_path_below(depth);
  PathNode& fork = path_[depth];
  fork.has_open = true;
  fork.open_input = static_cast<std::uint8_t>(key[depth]);
  fork.open_output = output;
  for (std::size_t i = depth + 1; i < key.size(); ++i) {
    PathNode& entry = push_path_node(false);
    entry.has_open = true;
    entry.open_input = static_cast<std::uint8_t>(key[i]);
    entry.open_output = 0;
  }
  push_path_node(true);
  return Unit{};
}

void FstMapBuilder::push_output_down(std::size_t depth, std::uint64_t extra) {
  if (extra == 0) return;
  PathNode& entry = path_[depth];
  if (entry.node.is_final) entry.node.final_output += extra;
  for (Transition& t : entry.node.transitions) t.output += extra;
  if (entry.has_open) entry.open_output += extra;
}

// Writes the path states deeper than `depth`, deepest first, and closes the
// open transition of path_[depth] onto what was written.
void FstMapBuilder::write_path_below(std::size_t depth) {
  std::uint64_t address = kNoAddress;
  auto close = [&](PathNode& entry) {
    if (!entry.has_open) return;
    entry.node.transitions.push_back({entry.open_input, entry.open_output, address});
    entry.has_open = false;
  };
  while (path_depth_ > depth + 1) {
    PathNode& entry = path_[path_depth_ - 1];
    close(entry);
    address = write(entry.node);
    --path_depth_;
  }
  close(path_[depth]);
}

std::uint64_t FstMapBuilder::write(const FrozenNode& node) {
  if (node.is_final && node.transitions.empty() && node.final_output == 0) return kEmptyFinalAddress;
  const NodeRegistry::Probe probe = registry_.find(node, out_);
  if (probe.address) return *probe.address;
  append_encoded(out_, node, last_address_);
  last_address_ = out_.size() - 1;
  registry_.insert(probe, last_address_);
  return last_address_;
}

std::vector<std::uint8_t> FstMapBuilder::finish() && {
  write_path_below(0);
  const std::uint64_t root = write(path_[0].node);
  append_u64(out_, key_count_);
  append_u64(out_, root);
  const std::uint32_t checksum = masked_crc32c(out_);
  for (int i = 0; i < 4; ++i) out_.push_back(static_cast<std::uint8_t>(checksum >> (8 * i)));
  return std::move(out_);
}

}  // namespace lumra::fst
