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

#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "payload/surface_record.h"

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

  explicit CanonicalTextWriter(Sink& sink) : sink_(sink), buffer_(new char[kChunkBytes]) {}
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
    char digits[kMaxNumberLine];
    append(std::string_view(digits, static_cast<std::size_t>(put_number_line(digits, tag, count) -
                                                             digits)));
  }

  // One entry: its surface as an "S" field, the "R" count line, and each
  // reading, in the order given, as an "r" field.
  void entry(std::string_view surface, const std::vector<std::string_view>& readings) {
    // An entry is written for every surface of an index, so the usual one,
    // which fits in what is left of the chunk, is written straight into it
    // with one bounds check instead of one per piece.
    std::size_t bound = surface.size() + (readings.size() + 2) * (kMaxNumberLine + 1);
    for (std::string_view reading : readings) bound += reading.size();
    if (bound > kChunkBytes) {
      field('S', surface);
      number_line('R', readings.size());
      for (std::string_view reading : readings) field('r', reading);
      return;
    }
    if (used_ + bound > kChunkBytes) flush();
    char* out = buffer_.get() + used_;
    out = put_field(out, 'S', surface);
    out = put_number_line(out, 'R', readings.size());
    for (std::string_view reading : readings) out = put_field(out, 'r', reading);
    used_ = static_cast<std::size_t>(out - buffer_.get());
  }

  // The entry whose record (surface_record.h) starts at `offset` of a
  // surface table's `arena`, as entry() writes it. The record's fields are
  // written as they are read, with no list of its readings in between: a
  // checksum writes one record for every entry of an index. The write
  // position stays in a local between fields, where a member would be
  // stored and loaded again around every byte written (a char store may
  // alias it).
  void record(std::string_view arena, std::uint64_t offset) {
    char* out = buffer_.get() + used_;
    out = record_field(out, 'S', arena, offset);
    const std::uint64_t count = surface_record::read_varint(arena.data(), offset);
    if (room(out) < kMaxNumberLine) out = flush_at(out);
    out = put_number_line(out, 'R', count);
    for (std::uint64_t r = 0; r < count; ++r) out = record_field(out, 'r', arena, offset);
    used_ = static_cast<std::size_t>(out - buffer_.get());
  }

  // Hands everything written so far to the sink. Call it once the text is
  // complete; the writer may go on being used after it.
  void flush() {
    if (used_ > 0) sink_.update(std::string_view(buffer_.get(), used_));
    used_ = 0;
  }

 private:
  // The lines "0\n" to "99\n", four bytes apart.
  static constexpr std::array<char, 400> kSmallNumberLines = [] {
    std::array<char, 400> lines{};
    for (int n = 0; n < 100; ++n) {
      char* line = lines.data() + 4 * n;
      if (n >= 10) *line++ = static_cast<char>('0' + n / 10);
      *line++ = static_cast<char>('0' + n % 10);
      *line = '\n';
    }
    return lines;
  }();
  // A tag, up to 20 decimal digits and a line feed.
  static constexpr std::size_t kMaxNumberLine = 1 + 20 + 1;

  // Writes the line at `out`, which has room for kMaxNumberLine bytes.
  [[gnu::always_inline]] static char* put_number_line(char* out, char tag, std::uint64_t count) {
    *out++ = tag;
    // Nearly every length and count of a reading index has one or two
    // digits: their line is copied whole from a table, four bytes of which
    // the last, or the last two, are overwritten by what follows, without
    // a branch on how many digits, which would be mispredicted half the
    // time.
    if (count < 100) {
      std::memcpy(out, kSmallNumberLines.data() + 4 * count, 4);
      return out + 2 + (count >= 10);
    }
    out = std::to_chars(out, out + 20, count).ptr;
    *out++ = '\n';
    return out;
  }
  // Values up to this size are copied as one fixed-size block by
  // record_field().
  static constexpr std::size_t kShortValue = 32;

  // Writes at `out` the field of `tag` whose length and bytes start at
  // `offset` of `arena`, moves `offset` past them and gives the new write
  // position. A short value, the usual one, is copied as a whole block that
  // may run past its end, in the arena and in the chunk, when both have
  // that room: the bytes beyond it are overwritten by what follows or lie
  // past the text, and the copy costs neither a call nor a branch on the
  // value's size.
  [[gnu::always_inline]] char* record_field(char* out, char tag, std::string_view arena,
                                            std::uint64_t& offset) {
    const char* const data = arena.data();
    std::uint64_t at = offset;
    // Lengths under 128, nearly all of them, take one byte.
    std::uint64_t size = static_cast<unsigned char>(data[at]);
    if (size < 0x80) [[likely]] {
      ++at;
    } else {
      size = surface_record::read_varint(data, at);
    }
    offset = at + size;
    if (size <= kShortValue && arena.size() - at >= kShortValue &&
        room(out) >= kMaxNumberLine + kShortValue + 1) [[likely]] {
      out = put_number_line(out, tag, size);
      std::memcpy(out, data + at, kShortValue);
      out += size;
      *out++ = '\n';
      return out;
    }
    used_ = static_cast<std::size_t>(out - buffer_.get());
    field(tag, std::string_view(data + at, size));
    return buffer_.get() + used_;
  }

  // Bytes left in the chunk past `out`.
  std::size_t room(const char* out) const {
    return static_cast<std::size_t>(buffer_.get() + kChunkBytes - out);
  }

  // Hands the chunk up to `out` to the sink; gives the chunk's start.
  char* flush_at(char* out) {
    used_ = static_cast<std::size_t>(out - buffer_.get());
    flush();
    return buffer_.get();
  }

  static char* put_field(char* out, char tag, std::string_view value) {
    out = put_number_line(out, tag, value.size());
    copy_value(out, value.data(), value.size());
    out += value.size();
    *out++ = '\n';
    return out;
  }
  // Surfaces and readings are mostly a few to a few dozen bytes, where a
  // call to memcpy costs more than the copy: those are copied as two fixed-
  // size pieces that overlap in the middle, read within the value only.
  static void copy_value(char* out, const char* value, std::size_t size) {
    if (size > 32) {
      std::memcpy(out, value, size);
    } else if (size >= 16) {
      std::memcpy(out, value, 16);
      std::memcpy(out + size - 16, value + size - 16, 16);
    } else if (size >= 8) {
      std::memcpy(out, value, 8);
      std::memcpy(out + size - 8, value + size - 8, 8);
    } else if (size >= 4) {
      std::memcpy(out, value, 4);
      std::memcpy(out + size - 4, value + size - 4, 4);
    } else {
      for (std::size_t i = 0; i < size; ++i) out[i] = value[i];
    }
  }

  void append(std::string_view bytes) {
    if (used_ + bytes.size() > kChunkBytes) {
      flush();
      // A value as large as a chunk goes to the sink directly, uncopied.
      if (bytes.size() >= kChunkBytes) {
        sink_.update(bytes);
        return;
      }
    }
    if (!bytes.empty()) std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
    used_ += bytes.size();
  }

  Sink& sink_;
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
};

}  // namespace lumra::payload
