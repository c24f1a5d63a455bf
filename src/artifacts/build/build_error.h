// Why a build stopped.
#pragma once

#include <string>
#include <variant>

#include "artifacts/build/input_problem.h"
#include "artifacts/build/line_reader.h"

namespace lumra::artifacts::build {

// A wrong option, an unusable source layout, a bundle that cannot be
// written; `what` is the whole message.
struct BuildFailure {
  std::string what;
};

using BuildError = std::variant<SourceFileError, InputProblem, BuildFailure>;

std::string message(const BuildFailure& error);
std::string message(const BuildError& error);

}  // namespace lumra::artifacts::build
