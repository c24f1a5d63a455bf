// What is wrong with one place of a dictionary source, and what the build
// does about it: go on without the row, or stop.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "artifacts/build/progress.h"
#include "core/base/result.h"

namespace lumra::artifacts::build {

// One bad place in a source file. Message: "{file}:{line}: {what}".
struct InputProblem {
  std::string file;
  std::uint64_t line = 0;  // 1-based
  std::string what;
};

std::string message(const InputProblem& problem);

// Collects the problems of one build. In strict mode the first problem ends
// the build; otherwise each is written to `log` (the first `max_shown` of
// them, so a broken source cannot flood the terminal) and counted, and the
// reader skips the row.
class ProblemLog {
 public:
  ProblemLog(bool strict, std::FILE* log, std::uint64_t max_shown = 20)
      : strict_(strict), log_(log), max_shown_(max_shown) {}

  // A progress line on the same terminal is cleared before each problem,
  // so the two do not run into each other.
  void share_terminal_with(Progress* progress) { progress_ = progress; }

  // Fails with the problem itself in strict mode.
  Status<InputProblem> report(InputProblem problem);

  std::uint64_t count() const { return count_; }

 private:
  bool strict_;
  std::FILE* log_;
  std::uint64_t max_shown_;
  std::uint64_t count_ = 0;
  Progress* progress_ = nullptr;
};

}  // namespace lumra::artifacts::build
