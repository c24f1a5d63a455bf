// The canonical text of a reading index: the byte serialisation its content
// checksum is taken over, the same whatever file format the index came from.
//
// Both languages write it from the same pieces:
//   - a header line naming the text's kind;
//   - fields: a tag byte, the value's byte length in decimal, a line feed,
//     the value's bytes, a line feed ("S3\n日\n");
//   - count lines: a tag byte and a number in decimal ("R2\n").
// Nothing is escaped: the length prefixes delimit the values, which may hold
// line feeds themselves.
//
// A text of a large index runs to hundreds of megabytes, and only its digest
// is wanted, so the writer hands it to a sink (anything with
// update(std::string_view): Sha256, Fnv1a64, CanonicalTextBuffer) in chunks
// as it goes. The chunking changes nothing in the digest.
//
//   Sha256 hash;
//   CanonicalTextWriter writer(hash);
//   writer.line("lumra.example/v1");
//   writer.entry(surface, readings);
//   writer.flush();
//   std::string hex = hash.hex_digest();
#pragma once

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumra::payload {

// A sink that keeps the whole text, for callers that want the bytes.
struct CanonicalTextBuffer {
  std::string text;
  void update(std::string_view bytes) { text.append(bytes); }
};

template <class Sink>
class CanonicalTextWriter {
 public:
  // Small pieces gather up to this size before the sink sees them: a
  // digest's per-call cost would otherwise dominate a text of short fields.
  static constexpr std::size_t kChunkBytes = 64 * 1024;

  explicit CanonicalTextWriter(Sink& sink) : sink_(sink) { buffer_.reserve(kChunkBytes); }
  CanonicalTextWriter(const CanonicalTextWriter&) = delete;
  CanonicalTextWriter& operator=(const CanonicalTextWriter&) = delete;

  // `text` and a line feed.
  void line(std::string_view text) {
    append(text);
    append("\n");
  }

  // The tag, the byte length of `value`, a line feed, `value`, a line feed.
  void field(char tag, std::string_view value) {
    number_line(tag, value.size());
    append(value);
    append("\n");
  }

  // The tag, `count` in decimal, a line feed.
  void number_line(char tag, std::uint64_t count) {
    char digits[1 + 20 + 1];
    digits[0] = tag;
    char* end = std::to_chars(digits + 1, digits + sizeof digits - 1, count).ptr;
    *end++ = '\n';
    append(std::string_view(digits, static_cast<std::size_t>(end - digits)));
  }

  // One entry: its surface as an "S" field, the "R" count line, and each
  // reading, in the order given, as an "r" field.
  void entry(std::string_view surface, const std::vector<std::string_view>& readings) {
    field('S', surface);
    number_line('R', readings.size());
    for (std::string_view reading : readings) field('r', reading);
  }

  // Hands everything written so far to the sink. Call it once the text is
  // complete; the writer may go on being used after it.
  void flush() {
    if (!buffer_.empty()) sink_.update(buffer_);
    buffer_.clear();
  }

 private:
  void append(std::string_view bytes) {
    if (buffer_.size() + bytes.size() > kChunkBytes) {
      flush();
      // A value as large as a chunk goes to the sink directly, uncopied.
      if (bytes.size() >= kChunkBytes) {
        sink_.update(bytes);
        return;
      }
    }
    buffer_.append(bytes);
  }

  Sink& sink_;
  std::string buffer_;
};

}  // namespace lumra::payload
