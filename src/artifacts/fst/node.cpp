#include "artifacts/fst/node.h"

namespace lumra::fst {
namespace {

Failure<FstError> fault(FstErrorKind kind, std::uint64_t address) { return Fail(FstError{kind, address}); }

}  // namespace

Status<FstError> check_transitions(const Node& node) {
  const std::size_t count = node.transition_count();
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint64_t target = node.target(i);
    if (target != kEmptyFinalAddress && (target < kHeaderBytes || target >= node.start())) {
      return fault(FstErrorKind::kBadTransitionTarget, node.address());
    }
    if (i > 0 && node.input(i - 1) >= node.input(i)) {
      return fault(FstErrorKind::kUnorderedTransitions, node.address());
    }
  }
  if (!node.has_index()) return Unit{};
  // Lookups go through the index and walks through the inputs: they agree
  // only if the index names every input's transition and nothing else.
  // The inputs are distinct, so once each names its own transition, the
  // index names nothing else exactly when it names count transitions in
  // all.
  for (std::size_t i = 0; i < count; ++i) {
    const std::optional<std::size_t> found = node.find(node.input(i));
    if (!found || *found != i) return fault(FstErrorKind::kBadTransitionIndex, node.address());
  }
  if (node.index_entries_below(count) != count) {
    return fault(FstErrorKind::kBadTransitionIndex, node.address());
  }
  return Unit{};
}

}  // namespace lumra::fst
