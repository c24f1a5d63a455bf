#include "artifacts/indexed/write_payload_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace lumra::artifacts {

Status<payload::FileOsError> write_payload_file(std::string_view path,
                                                std::span<const std::uint8_t> bytes) {
  if (path.find('\0') != std::string_view::npos) return Fail(payload::FileOsError{EINVAL});
  const std::string name(path);
  int fd;
  do {
    fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return Fail(payload::FileOsError{errno});
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t count = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) {
      const int code = errno;
      ::close(fd);
      return Fail(payload::FileOsError{code});
    }
    written += static_cast<std::size_t>(count);
  }
  // Errors of delayed writes may only show at close.
  if (::close(fd) != 0) return Fail(payload::FileOsError{errno});
  return Unit{};
}

}  // namespace lumra::artifacts
