#include "artifacts/build/line_reader.h"

#include <sys/stat.h>

#include <cerrno>

#include "core/base/message_template.h"
#include "payload/payload_file.h"

namespace lumra::artifacts::build {

std::string message(const SourceFileError& error) {
  return fill_message("cannot read {}: {}", error.path, error.what);
}

Result<LineReader, SourceFileError> LineReader::open(std::string_view path) {
  std::string name(path);
  if (name.find('\0') != std::string::npos) {
    return Fail(SourceFileError{name, payload::os_error_text(EINVAL)});
  }
  std::FILE* file = std::fopen(name.c_str(), "rbe");
  if (file == nullptr) return Fail(SourceFileError{name, payload::os_error_text(errno)});
  struct stat status{};
  if (::fstat(::fileno(file), &status) != 0 || S_ISDIR(status.st_mode)) {
    int code = S_ISDIR(status.st_mode) ? EISDIR : errno;
    std::fclose(file);
    return Fail(SourceFileError{name, payload::os_error_text(code)});
  }
  return LineReader(file, std::move(name), static_cast<std::uint64_t>(status.st_size));
}

LineReader::LineReader(LineReader&& other) noexcept
    : file_(other.file_),
      path_(std::move(other.path_)),
      size_(other.size_),
      line_(std::move(other.line_)),
      line_number_(other.line_number_),
      bytes_read_(other.bytes_read_),
      failure_(std::move(other.failure_)) {
  other.file_ = nullptr;
}

LineReader::~LineReader() {
  if (file_ != nullptr) std::fclose(file_);
}

bool LineReader::next(std::string_view& line) {
  if (file_ == nullptr || failure_) return false;
  // Read a byte at a time up to the cap, instead of getline's "whole line,
  // however long": a file with no line breaks (/dev/zero, a stray binary)
  // would otherwise take all the memory there is.
  line_.clear();
  errno = 0;
  int c;
  bool any = false;
  while ((c = getc_unlocked(file_)) != EOF) {
    any = true;
    if (c == '\n') break;
    if (line_.size() == kMaxLineBytes) {
      failure_ = SourceFileError{
          path_, fill_message("line {} is longer than {} bytes", line_number_ + 1, kMaxLineBytes)};
      return false;
    }
    line_.push_back(static_cast<char>(c));
  }
  if (!any) {
    if (std::ferror(file_)) failure_ = SourceFileError{path_, payload::os_error_text(errno)};
    return false;
  }
  if (c == EOF && std::ferror(file_)) {
    failure_ = SourceFileError{path_, payload::os_error_text(errno)};
    return false;
  }
  ++line_number_;
  bytes_read_ += line_.size() + (c == '\n' ? 1 : 0);
  std::size_t size = line_.size();
  if (size > 0 && line_[size - 1] == '\r') --size;
  line = std::string_view(line_.data(), size);
  return true;
}

Result<std::string, SourceFileError> read_text_file(std::string_view path,
                                                    std::uint64_t max_bytes) {
  LUMRA_TRY_ASSIGN(LineReader reader, LineReader::open(path));
  if (reader.size() > max_bytes) {
    return Fail(SourceFileError{reader.path(), fill_message("{} bytes, more than the {} expected",
                                                            reader.size(), max_bytes)});
  }
  std::string text;
  std::string_view line;
  while (reader.next(line)) {
    // The size seen at opening says nothing of a device or a pipe.
    if (reader.bytes_read() > max_bytes) {
      return Fail(SourceFileError{reader.path(), fill_message("more than the {} bytes expected",
                                                              max_bytes)});
    }
    text.append(line);
    text.push_back('\n');
  }
  if (reader.failure()) return Fail(*reader.failure());
  return text;
}

}  // namespace lumra::artifacts::build
