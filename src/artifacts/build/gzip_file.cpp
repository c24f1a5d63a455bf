#include "artifacts/build/gzip_file.h"

#include <zlib.h>

#include <vector>

namespace lumra::artifacts::build {

Result<std::string, SourceFileError> read_gzip_file(std::string_view path,
                                                    std::uint64_t max_bytes) {
  LUMRA_TRY_ASSIGN(LineReader file, LineReader::open(path));
  (void)file;  // opened for its checks and error text; zlib reads on its own
  std::string name(path);
  gzFile input = ::gzopen(name.c_str(), "rb");
  if (input == nullptr) return Fail(SourceFileError{name, "cannot open as gzip"});
  std::string out;
  std::vector<char> chunk(1 << 16);
  while (true) {
    int count = ::gzread(input, chunk.data(), static_cast<unsigned>(chunk.size()));
    if (count < 0) {
      int code = 0;
      std::string what = ::gzerror(input, &code);
      ::gzclose(input);
      return Fail(SourceFileError{name, "gzip: " + what});
    }
    if (count == 0) break;
    if (out.size() + static_cast<std::size_t>(count) > max_bytes) {
      ::gzclose(input);
      return Fail(SourceFileError{name, "uncompressed size over " + std::to_string(max_bytes) +
                                            " bytes"});
    }
    out.append(chunk.data(), static_cast<std::size_t>(count));
  }
  ::gzclose(input);
  return out;
}

}  // namespace lumra::artifacts::build
