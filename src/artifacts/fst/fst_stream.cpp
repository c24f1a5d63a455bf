#include "artifacts/fst/fst_stream.h"

namespace lumra::fst {

FstStream::FstStream(const FstMap& map, std::size_t max_key_bytes)
    : map_(map), max_key_bytes_(max_key_bytes) {}

Result<bool, FstError> FstStream::fail(FstErrorKind kind, std::uint64_t where) {
  error_ = FstError{kind, where};
  frames_.clear();
  return Fail(*error_);
}

Result<bool, FstError> FstStream::next() {
  if (error_) return Fail(*error_);
  if (done_) return false;
  if (!started_) {
    started_ = true;
    frames_.push_back({map_.root(), 0, 0});
    // The empty key sorts first; the root being final means it is there.
    if (map_.root().is_final()) {
      key_.clear();
      value_ = map_.root().final_output();
      ++keys_seen_;
      if (keys_seen_ > map_.size()) return fail(FstErrorKind::kKeyCountMismatch, map_.size());
      return true;
    }
  }
  while (!frames_.empty()) {
    Frame& top = frames_.back();
    if (top.next_transition == top.node.transition_count()) {
      frames_.pop_back();
      if (!frames_.empty()) key_.pop_back();
      continue;
    }
    const std::size_t i = top.next_transition++;
    const std::uint8_t input = top.node.input(i);
    const std::uint64_t output = top.output + top.node.output(i);  // modulo 2^64
    Node child;
    FstErrorKind why;
    if (!map_.read_node(top.node.target(i), child, why)) return fail(why, top.node.target(i));
    if (key_.size() == max_key_bytes_) return fail(FstErrorKind::kKeyTooLong, max_key_bytes_);
    key_.push_back(static_cast<char>(input));
    frames_.push_back({child, 0, output});
    if (child.is_final()) {
      value_ = output + child.final_output();
      ++keys_seen_;
      if (keys_seen_ > map_.size()) return fail(FstErrorKind::kKeyCountMismatch, map_.size());
      return true;
    }
  }
  if (keys_seen_ != map_.size()) return fail(FstErrorKind::kKeyCountMismatch, map_.size());
  done_ = true;
  return false;
}

}  // namespace lumra::fst
