#include "artifacts/fst/fst_error.h"

#include "core/base/message_template.h"

namespace lumra::fst {

std::string message(const FstError&) { return "FST error"; }

std::string describe(const FstError& error) {
  switch (error.kind) {
    case FstErrorKind::kTooShort:
      return fill_message("FST of {} bytes is too short for its header and footer", error.where);
    case FstErrorKind::kUnsupportedVersion:
      return fill_message("FST format version {} is not supported", error.where);
    case FstErrorKind::kBadRootAddress:
      return fill_message("FST root address {} is not where the last node ends", error.where);
    case FstErrorKind::kNodeOutOfBounds:
      return fill_message("FST node at address {} lies outside the node area", error.where);
    case FstErrorKind::kBadPackSize:
      return fill_message("FST node at address {} has an invalid pack size", error.where);
    case FstErrorKind::kBadTransitionTarget:
      return fill_message("FST node at address {} has a transition that does not lead to an earlier node",
                          error.where);
    case FstErrorKind::kUnorderedTransitions:
      return fill_message("FST node at address {} has transitions out of order", error.where);
    case FstErrorKind::kBadTransitionIndex:
      return fill_message("FST node at address {} has a transition index that disagrees with its inputs",
                          error.where);
    case FstErrorKind::kDeadEnd:
      return fill_message("FST node at address {} is neither final nor has transitions", error.where);
    case FstErrorKind::kKeyCountMismatch:
      return fill_message("FST key count {} does not match its nodes", error.where);
    case FstErrorKind::kKeyTooLong:
      return fill_message("FST key longer than {} bytes", error.where);
  }
  return "FST error";
}

std::string message(const FstBuildError& error) {
  switch (error.kind) {
    case FstBuildError::Kind::kDuplicateKey:
      return fill_message("FST key {} repeats the key before it", error.key_index);
    case FstBuildError::Kind::kKeyOutOfOrder:
      return fill_message("FST key {} sorts before the key before it", error.key_index);
  }
  return "FST build error";
}

}  // namespace lumra::fst
