#include "payload/payload_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>

#include "core/base/message_template.h"

namespace lumra::payload {

namespace {

// strerror_r comes in two forms: the GNU one returns the text, the POSIX one
// fills the buffer.
[[maybe_unused]] std::string strerror_result(const char* text, const char*) { return text; }
[[maybe_unused]] std::string strerror_result(int status, const char* buffer) {
  return status == 0 ? std::string(buffer) : std::string("Unknown error");
}

}  // namespace

std::string os_error_text(int code) {
  char buffer[256] = {};
  std::string text = strerror_result(strerror_r(code, buffer, sizeof buffer), buffer);
  return fill_message("{} (os error {})", text, code);
}

Result<PayloadFile, PayloadFileError> PayloadFile::open(std::string_view path,
                                                        std::uint64_t max_bytes) {
  if (path.find('\0') != std::string_view::npos) return Fail(FileOsError{EINVAL});
  std::string name(path);
  struct stat status;
  if (::stat(name.c_str(), &status) != 0) return Fail(FileOsError{errno});
  auto size = static_cast<std::uint64_t>(status.st_size);
  if (size > max_bytes) return Fail(FileTooLarge{size});
  if (S_ISDIR(status.st_mode)) return Fail(FileOsError{EISDIR});
  // Opening a FIFO waits for a writer, possibly forever; without blocking it
  // opens at once, and with the flag cleared again a FIFO nobody writes to
  // reads as empty instead of hanging the load.
  int fd;
  do {
    fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return Fail(FileOsError{errno});
  PayloadFile file(fd, max_bytes, size);
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0) return Fail(FileOsError{errno});
  return file;
}

PayloadFile::PayloadFile(PayloadFile&& other) noexcept
    : fd_(other.fd_),
      max_bytes_(other.max_bytes_),
      size_when_opened_(other.size_when_opened_),
      bytes_read_(other.bytes_read_),
      failure_(std::move(other.failure_)) {
  other.fd_ = -1;
}

PayloadFile::~PayloadFile() {
  if (fd_ >= 0) ::close(fd_);
}

bool PayloadFile::read(unsigned char* buffer, std::size_t capacity, std::size_t& size) {
  size = 0;
  if (failure_) return false;
  ssize_t count;
  do {
    count = ::read(fd_, buffer, capacity);
  } while (count < 0 && errno == EINTR);
  if (count < 0) {
    failure_ = FileOsError{errno};
    return false;
  }
  bytes_read_ += static_cast<std::uint64_t>(count);
  if (bytes_read_ > max_bytes_) {
    failure_ = FileTooLarge{bytes_read_};
    return false;
  }
  size = static_cast<std::size_t>(count);
  return true;
}

bool PayloadFile::read_whole(std::string& text) {
  // One byte more than the expected size tells a file that grew from one
  // that is complete.
  try {
    text.resize(size_when_opened_ + 1);
  } catch (const std::bad_alloc&) {
    // An address space too small for the file (under a memory limit) leaves
    // the file to be streamed, in the memory of its entries alone.
    text = std::string();
    return false;
  } catch (const std::length_error&) {
    text = std::string();
    return false;
  }
  std::size_t filled = 0;
  for (;;) {
    std::size_t count = 0;
    if (!read(reinterpret_cast<unsigned char*>(text.data()) + filled, text.size() - filled,
              count)) {
      text.resize(filled);
      return false;
    }
    filled += count;
    if (count == 0 || filled == text.size()) break;
  }
  text.resize(filled);
  return filled <= size_when_opened_;
}

}  // namespace lumra::payload
