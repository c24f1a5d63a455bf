#include "artifacts/build/progress.h"

#include <unistd.h>

#include <string>

namespace lumra::artifacts::build {

Progress::Progress(std::FILE* out)
    : out_(out != nullptr && ::isatty(::fileno(out)) ? out : nullptr),
      started_(std::chrono::steady_clock::now()),
      last_(started_) {}

Progress::~Progress() { clear(); }

void Progress::rows(std::string_view phase, std::uint64_t rows, std::uint64_t bytes_done,
                    std::uint64_t bytes_total) {
  if (out_ == nullptr || (rows & 1023) != 0) return;
  auto now = std::chrono::steady_clock::now();
  if (now - last_ < std::chrono::milliseconds(250)) return;
  last_ = now;
  double seconds = std::chrono::duration<double>(now - started_).count();
  double rate = seconds > 0 ? static_cast<double>(rows) / seconds : 0.0;
  unsigned percent =
      bytes_total > 0 ? static_cast<unsigned>(bytes_done * 100 / bytes_total) : 0u;
  std::fprintf(out_, "\r\033[K%.*s: %llu rows (%u%%), %.0f rows/s",
               static_cast<int>(phase.size()), phase.data(),
               static_cast<unsigned long long>(rows), percent, rate);
  std::fflush(out_);
  line_shown_ = true;
}

void Progress::phase(std::string_view phase) {
  if (out_ == nullptr) return;
  std::fprintf(out_, "\r\033[K%.*s", static_cast<int>(phase.size()), phase.data());
  std::fflush(out_);
  line_shown_ = true;
}

void Progress::clear() {
  if (out_ == nullptr || !line_shown_) return;
  std::fprintf(out_, "\r\033[K");
  std::fflush(out_);
  line_shown_ = false;
}

}  // namespace lumra::artifacts::build
