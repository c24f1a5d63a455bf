// Payload files: opened after their size is checked, then read whole into
// memory, or in pieces by a parser.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "core/base/result.h"
#include "payload/yaml/yaml_input.h"

namespace lumra::payload {

// The operating system refused: `code` is its errno.
struct FileOsError {
  int code;
};
// The file holds more than the limit allows: `size` bytes (at least, when
// the file grew while it was read).
struct FileTooLarge {
  std::uint64_t size;
};
using PayloadFileError = std::variant<FileOsError, FileTooLarge>;

// An operating-system error as the loaders report it:
// "No such file or directory (os error 2)".
std::string os_error_text(int code);

class PayloadFile final : public YamlInput {
 public:
  // The checks of every payload loader, in order: the file's metadata
  // (following symbolic links), its size against `max_bytes`, then opening
  // it. A directory fails as the read of one would, with EISDIR, and a path
  // holding a NUL byte with EINVAL, since no file has that name.
  static Result<PayloadFile, PayloadFileError> open(std::string_view path,
                                                    std::uint64_t max_bytes);

  PayloadFile(PayloadFile&& other) noexcept;
  PayloadFile& operator=(PayloadFile&&) = delete;
  ~PayloadFile() override;

  // Reads on from where the last read stopped. Fails when the system does,
  // or when more than `max_bytes` arrive in all (a file that grew after its
  // size was checked, or a device without a size).
  bool read(unsigned char* buffer, std::size_t capacity, std::size_t& size) override;

  // Reads the file from its start into `text`, sized to the size the file
  // had when it was opened, and returns true when that was the whole file.
  // Otherwise `text` holds what was read: either a read failed (failure()
  // says why), or the file holds more than that size (it grew, or it is a
  // pipe or a device), and read() goes on after `text`. When the memory for
  // the file cannot be had, `text` is left empty and nothing is read.
  bool read_whole(std::string& text);

  // Why read() failed, once it has.
  const std::optional<PayloadFileError>& failure() const { return failure_; }

  // The size the file had when it was opened: a bound for presizing, not a
  // promise, since the file may change while it is read.
  std::uint64_t size_when_opened() const { return size_when_opened_; }

 private:
  PayloadFile(int fd, std::uint64_t max_bytes, std::uint64_t size)
      : fd_(fd), max_bytes_(max_bytes), size_when_opened_(size) {}

  int fd_;
  std::uint64_t max_bytes_;
  std::uint64_t size_when_opened_;
  std::uint64_t bytes_read_ = 0;
  std::optional<PayloadFileError> failure_;
};

}  // namespace lumra::payload
