// The error values of the core's metric operations.
//
// Each error has one fixed message; message() fills it from the fields.
// CoreError gathers them so that a caller can carry any of them out of a
// computation and present it in one place.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "core/base/interruption.h"
#include "core/lattice/lattice_error.h"

namespace lumra {

// A fractional score cutoff outside [0, 1], NaN included.
struct CutoffOutOfRange {};

// A lattice search that would need more node-pair states than allowed.
struct DistanceMatrixTooLarge {
  std::uint64_t rows;
  std::uint64_t cols;
  std::uint64_t max_cells;
};

// A list of alternative paths that cannot stand for a set of strings.
struct PathListError {
  enum class Kind { NoPath, MixedEmptyAndNonEmpty };
  Kind kind;
  std::string argument;  // the name the caller knows the list by
};

std::string message(const CutoffOutOfRange& error);
std::string message(const DistanceMatrixTooLarge& error);
std::string message(const PathListError& error);

using CoreError = std::variant<CutoffOutOfRange, DistanceMatrixTooLarge, PathListError, LatticeError,
                               Interrupted>;

std::string message(const CoreError& error);

}  // namespace lumra
