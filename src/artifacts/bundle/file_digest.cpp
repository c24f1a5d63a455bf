#include "artifacts/bundle/file_digest.h"

#include <vector>

#include "payload/sha256.h"

namespace lumra::artifacts {

namespace {
constexpr std::size_t kChunkBytes = 65536;
}  // namespace

Result<std::string, payload::PayloadFileError> sha256_file_hex(std::string_view path,
                                                               std::uint64_t max_bytes) {
  auto file = payload::PayloadFile::open(path, max_bytes);
  if (!file.ok()) return Fail(file.take_error());
  payload::Sha256 digest;
  std::vector<unsigned char> chunk(kChunkBytes);
  std::size_t size = 0;
  do {
    if (!file.value().read(chunk.data(), chunk.size(), size)) return Fail(*file.value().failure());
    digest.update(std::string_view(reinterpret_cast<const char*>(chunk.data()), size));
  } while (size > 0);
  return digest.hex_digest();
}

}  // namespace lumra::artifacts
