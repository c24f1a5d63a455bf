#include "artifacts/build/gzip_file.h"

#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "payload/payload_file.h"

namespace lumra::artifacts::build {

namespace {

// zlib's stream, ended however the read ends.
class Inflater {
 public:
  Inflater() = default;
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;
  ~Inflater() {
    if (ready_) ::inflateEnd(&stream_);
  }
  // 15 + 32: the largest window, with the gzip header read and checked.
  bool start() { return ready_ = ::inflateInit2(&stream_, 15 + 32) == Z_OK; }
  z_stream& stream() { return stream_; }

 private:
  z_stream stream_{};
  bool ready_ = false;
};

// The gzip reading functions (gzread) are not used: they end a stream that
// is cut short as quietly as a whole one, handing back what they could
// inflate, so a truncated download would build a dictionary missing its
// tail. Driving inflate directly tells the two apart.
Result<std::string, SourceFileError> inflate_members(std::FILE* file, const std::string& name,
                                                     std::uint64_t max_bytes) {
  Inflater inflater;
  if (!inflater.start()) return Fail(SourceFileError{name, "gzip: cannot start zlib"});
  z_stream& stream = inflater.stream();
  std::vector<unsigned char> in(1 << 16);
  std::vector<unsigned char> out(1 << 16);
  std::string text;
  bool member_ended = false;  // the last member read so far is complete
  bool any_input = false;
  while (true) {
    if (stream.avail_in == 0) {
      const std::size_t count = std::fread(in.data(), 1, in.size(), file);
      if (count == 0) {
        if (std::ferror(file)) return Fail(SourceFileError{name, payload::os_error_text(errno)});
        break;
      }
      any_input = true;
      stream.next_in = in.data();
      stream.avail_in = static_cast<unsigned>(count);
    }
    // Another member follows the one that ended (gzip files may be
    // concatenated).
    if (member_ended) {
      if (::inflateReset(&stream) != Z_OK) return Fail(SourceFileError{name, "gzip: zlib failed"});
      member_ended = false;
    }
    stream.next_out = out.data();
    stream.avail_out = static_cast<unsigned>(out.size());
    const int status = ::inflate(&stream, Z_NO_FLUSH);
    if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) {
      return Fail(SourceFileError{
          name, std::string("gzip: ") + (stream.msg != nullptr ? stream.msg : "bad data")});
    }
    const std::size_t produced = out.size() - stream.avail_out;
    if (text.size() + produced > max_bytes) {
      return Fail(SourceFileError{
          name, "uncompressed size over " + std::to_string(max_bytes) + " bytes"});
    }
    text.append(reinterpret_cast<const char*>(out.data()), produced);
    member_ended = status == Z_STREAM_END;
  }
  if (!any_input) return Fail(SourceFileError{name, "gzip: the file is empty"});
  if (!member_ended) return Fail(SourceFileError{name, "gzip: the compressed data ends early"});
  return text;
}

}  // namespace

Result<std::string, SourceFileError> read_gzip_file(std::string_view path,
                                                    std::uint64_t max_bytes) {
  LUMRA_TRY_ASSIGN(LineReader file, LineReader::open(path));
  (void)file;  // opened for its checks and error text
  std::string name(path);
  std::FILE* input = std::fopen(name.c_str(), "rbe");
  if (input == nullptr) return Fail(SourceFileError{name, payload::os_error_text(errno)});
  auto text = inflate_members(input, name, max_bytes);
  std::fclose(input);
  return text;
}

}  // namespace lumra::artifacts::build
