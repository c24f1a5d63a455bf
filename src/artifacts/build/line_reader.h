// Reading a text source line by line, with line numbers for its problems.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "core/base/result.h"

namespace lumra::artifacts::build {

// The system refused to open or read `path`; `what` is its error text.
struct SourceFileError {
  std::string path;
  std::string what;
};

// Message: "cannot read {path}: {what}".
std::string message(const SourceFileError& error);

class LineReader {
 public:
  // Far beyond any lexicon or dictionary row; a longer line means the file
  // is not one of ours.
  static constexpr std::size_t kMaxLineBytes = 1 << 20;

  static Result<LineReader, SourceFileError> open(std::string_view path);

  LineReader(LineReader&& other) noexcept;
  LineReader& operator=(LineReader&&) = delete;
  ~LineReader();

  // The next line without its "\n" or "\r\n", valid until the next call;
  // false at the end of the file. A read failure, or a line over
  // kMaxLineBytes, ends the file too and is kept in failure().
  bool next(std::string_view& line);

  std::uint64_t line_number() const { return line_number_; }
  std::uint64_t bytes_read() const { return bytes_read_; }
  std::uint64_t size() const { return size_; }
  const std::string& path() const { return path_; }
  const std::optional<SourceFileError>& failure() const { return failure_; }

 private:
  LineReader(std::FILE* file, std::string path, std::uint64_t size)
      : file_(file), path_(std::move(path)), size_(size) {}

  std::FILE* file_;
  std::string path_;
  std::uint64_t size_;
  std::string line_;
  std::uint64_t line_number_ = 0;
  std::uint64_t bytes_read_ = 0;
  std::optional<SourceFileError> failure_;
};

// The whole content of a small file (a dicrc), refused when it holds more
// than `max_bytes`.
Result<std::string, SourceFileError> read_text_file(std::string_view path,
                                                    std::uint64_t max_bytes);

}  // namespace lumra::artifacts::build
