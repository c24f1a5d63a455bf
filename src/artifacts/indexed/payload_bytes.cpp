#include "artifacts/indexed/payload_bytes.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

namespace lumra::artifacts {

namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() { ::close(fd_); }
  int get() const { return fd_; }

 private:
  int fd_;
};

// Lookups in a large payload jump all over it: with the usual 4 KiB pages
// nearly every step misses the TLB as well as the cache. Asking for huge
// pages before the buffer is first written lets the kernel back it with
// them where it can; where it cannot (or will not), nothing changes.
void advise_huge_pages(void* buffer, std::size_t size) {
  constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
  const auto begin = reinterpret_cast<std::uintptr_t>(buffer);
  const std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t last = (begin + size) & ~(kHugePage - 1);
  if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

}  // namespace

Result<std::vector<std::uint8_t>, PayloadBytesError> read_payload_bytes(std::string_view path,
                                                                        std::uint64_t max_bytes) {
  if (path.find('\0') != std::string_view::npos) return Fail(payload::FileOsError{EINVAL});
  const std::string name(path);
  struct stat status;
  if (::stat(name.c_str(), &status) != 0) return Fail(payload::FileOsError{errno});
  if (!S_ISREG(status.st_mode)) return Fail(NotRegularFile{});
  const auto size = static_cast<std::uint64_t>(status.st_size);
  if (size > max_bytes) return Fail(payload::FileTooLarge{size});
  int fd;
  do {
    fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return Fail(payload::FileOsError{errno});
  FileDescriptor file(fd);

  std::vector<std::uint8_t> bytes;
  // The size is a hint: the file may shrink or grow while it is read.
  bytes.reserve(size);
  advise_huge_pages(bytes.data(), bytes.capacity());
  // One byte past the limit is enough to tell that the file grew too large.
  const std::uint64_t cap = max_bytes + 1;
  std::uint8_t chunk[kPayloadReadChunk];
  while (bytes.size() < cap) {
    const std::size_t wanted = static_cast<std::size_t>(
        std::min<std::uint64_t>(kPayloadReadChunk, cap - bytes.size()));
    ssize_t count;
    do {
      count = ::read(file.get(), chunk, wanted);
    } while (count < 0 && errno == EINTR);
    if (count < 0) return Fail(payload::FileOsError{errno});
    if (count == 0) break;
    bytes.insert(bytes.end(), chunk, chunk + count);
  }
  if (bytes.size() > max_bytes) return Fail(payload::FileTooLarge{bytes.size()});
  return bytes;
}

}  // namespace lumra::artifacts
