// Progress of a long build on standard error: the phase, rows read and their
// rate, rewritten in place. Silent when standard error is not a terminal, so
// logs and pipes see only the final summary and the problems.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string_view>

namespace lumra::artifacts::build {

class Progress {
 public:
  // Shows progress on `out` only when it is a terminal.
  explicit Progress(std::FILE* out);
  ~Progress();

  // Called often and cheaply: writes at most four times a second.
  void rows(std::string_view phase, std::uint64_t rows, std::uint64_t bytes_done,
            std::uint64_t bytes_total);
  // A phase without rows ("writing payload").
  void phase(std::string_view phase);
  // Clears the progress line before other output.
  void clear();

 private:
  std::FILE* out_;  // null when silent
  std::chrono::steady_clock::time_point started_;
  std::chrono::steady_clock::time_point last_;
  bool line_shown_ = false;
};

}  // namespace lumra::artifacts::build
