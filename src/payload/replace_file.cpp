#include "payload/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

namespace lumra::payload {

namespace {

Status<FileOsError> write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t count = ::write(fd, bytes.data(), bytes.size());
    if (count < 0) {
      if (errno == EINTR) continue;
      return Fail(FileOsError{errno});
    }
    bytes.remove_prefix(static_cast<std::size_t>(count));
  }
  return Unit{};
}

// The temporary file's content, then its durability and mode, in that
// order; the first failure decides.
Status<FileOsError> fill(int fd, std::string_view bytes) {
  LUMRA_TRY(write_all(fd, bytes));
  if (::fsync(fd) != 0) return Fail(FileOsError{errno});
  if (::fchmod(fd, 0644) != 0) return Fail(FileOsError{errno});
  return Unit{};
}

}  // namespace

Status<FileOsError> replace_file(std::string_view path, std::string_view bytes) {
  if (path.find('\0') != std::string_view::npos) return Fail(FileOsError{EINVAL});
  std::string target(path);
  // mkstemp wants a writable template ending in six X's.
  std::string temporary_name = target + ".tmp-XXXXXX";
  std::vector<char> name(temporary_name.begin(), temporary_name.end());
  name.push_back('\0');
  int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return Fail(FileOsError{errno});
  Status<FileOsError> filled = fill(fd, bytes);
  int close_status = ::close(fd);
  if (filled.ok() && close_status != 0) filled = Fail(FileOsError{errno});
  if (filled.ok() && ::rename(name.data(), target.c_str()) != 0) {
    filled = Fail(FileOsError{errno});
  }
  if (!filled.ok()) ::unlink(name.data());
  return filled;
}

}  // namespace lumra::payload
