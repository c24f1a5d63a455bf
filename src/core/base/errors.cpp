#include "core/base/errors.h"

namespace lumra {

std::string message(const CutoffOutOfRange&) { return "score_cutoff must be between 0.0 and 1.0"; }

std::string message(const DistanceMatrixTooLarge& error) {
  return "distance matrix " + std::to_string(error.rows) + "x" + std::to_string(error.cols) +
         " exceeds the maximum of " + std::to_string(error.max_cells) + " cells";
}

std::string message(const PathListError& error) {
  switch (error.kind) {
    case PathListError::Kind::NoPath:
      return error.argument + " must contain at least one path";
    case PathListError::Kind::MixedEmptyAndNonEmpty:
      return error.argument + " cannot mix empty and non-empty paths";
  }
  return error.argument;
}

std::string message(const CoreError& error) {
  return std::visit([](const auto& e) { return message(e); }, error);
}

}  // namespace lumra
