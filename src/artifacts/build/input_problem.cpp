#include "artifacts/build/input_problem.h"

#include "core/base/message_template.h"

namespace lumra::artifacts::build {

std::string message(const InputProblem& problem) {
  return fill_message("{}:{}: {}", problem.file, problem.line, problem.what);
}

Status<InputProblem> ProblemLog::report(InputProblem problem) {
  if (strict_) return Fail(std::move(problem));
  ++count_;
  if (log_ != nullptr && count_ <= max_shown_) {
    if (progress_ != nullptr) progress_->clear();
    std::fprintf(log_, "skipped %s\n", message(problem).c_str());
    if (count_ == max_shown_) std::fprintf(log_, "(further skipped rows are only counted)\n");
  }
  return Unit{};
}

}  // namespace lumra::artifacts::build
