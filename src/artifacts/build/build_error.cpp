#include "artifacts/build/build_error.h"

namespace lumra::artifacts::build {

std::string message(const BuildFailure& error) { return error.what; }

std::string message(const BuildError& error) {
  return std::visit([](const auto& e) { return message(e); }, error);
}

}  // namespace lumra::artifacts::build
