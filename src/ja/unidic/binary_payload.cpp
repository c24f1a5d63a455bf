#include "ja/unidic/binary_payload.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ja/unidic/binary_payload_format.h"
#include "ja/unidic/canonical_checksum.h"
#include "ja/unidic/map_reading_index.h"
#include "ja/unidic/payload.h"
#include "ja/unidic/payload_file_error.h"
#include "payload/payload_file.h"

namespace lumra::ja {

namespace {

using namespace unidic_errors;
namespace format = binary_payload;

// Large enough that a read costs little next to decoding what it brings,
// small enough to stay in the cache.
constexpr std::size_t kBufferBytes = 64 * 1024;

// A payload already in memory, handed out the way a file would be read.
class MemoryInput final : public payload::YamlInput {
 public:
  explicit MemoryInput(std::string_view bytes) : rest_(bytes) {}

  bool read(unsigned char* buffer, std::size_t capacity, std::size_t& size) override {
    size = std::min(capacity, rest_.size());
    std::memcpy(buffer, rest_.data(), size);
    rest_.remove_prefix(size);
    return true;
  }

 private:
  std::string_view rest_;
};

// The fields of the payload, one after the other, through one buffer. A
// field the input ends inside is TruncatedBinary with the field's name.
class FieldReader {
 public:
  // `file` explains a failing read of `input`; null for memory, which never
  // fails.
  FieldReader(payload::YamlInput& input, const payload::PayloadFile* file)
      : input_(input), file_(file), buffer_(new unsigned char[kBufferBytes]) {}

  // Passes the next `size` bytes to `consume` in pieces, as they arrive.
  template <class Consume>
  Status<UnidicLoadError> read(std::size_t size, std::string_view field, Consume&& consume) {
    while (size > 0) {
      if (begin_ == end_) LUMRA_TRY(refill(field));
      std::size_t piece = std::min(size, end_ - begin_);
      consume(buffer_.get() + begin_, piece);
      begin_ += piece;
      size -= piece;
    }
    return Unit{};
  }

  template <std::size_t N>
  Status<UnidicLoadError> read_array(std::array<std::uint8_t, N>& out, std::string_view field) {
    std::size_t filled = 0;
    return read(N, field, [&](const unsigned char* bytes, std::size_t size) {
      std::memcpy(out.data() + filled, bytes, size);
      filled += size;
    });
  }

  template <class Unsigned>
  Result<Unsigned, UnidicLoadError> read_unsigned(std::string_view field) {
    std::array<std::uint8_t, sizeof(Unsigned)> bytes;
    LUMRA_TRY(read_array(bytes, field));
    Unsigned value = 0;
    for (std::size_t i = sizeof(Unsigned); i-- > 0;) value = (value << 8) | bytes[i];
    return value;
  }

  // Appends the next `size` bytes to `out`.
  Status<UnidicLoadError> append(std::string& out, std::size_t size, std::string_view field) {
    return read(size, field, [&](const unsigned char* bytes, std::size_t piece) {
      out.append(reinterpret_cast<const char*>(bytes), piece);
    });
  }

 private:
  Status<UnidicLoadError> refill(std::string_view field) {
    std::size_t size = 0;
    if (!input_.read(buffer_.get(), kBufferBytes, size)) {
      assert(file_ != nullptr && file_->failure());
      return Fail(to_load_error(*file_->failure()));
    }
    if (size == 0) return Fail(TruncatedBinary{std::string(field)});
    begin_ = 0;
    end_ = size;
    return Unit{};
  }

  payload::YamlInput& input_;
  const payload::PayloadFile* file_;
  std::unique_ptr<unsigned char[]> buffer_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
};

// The texts of one entry in one buffer, kept until the builder has copied
// them; its capacity is reused from entry to entry.
struct DecodedEntry {
  std::string bytes;
  std::vector<std::size_t> ends;  // of the surface, then of each reading
  std::vector<std::string_view> readings;

  std::string_view surface() const { return std::string_view(bytes).substr(0, ends[0]); }
  void view_readings() {
    readings.clear();
    for (std::size_t r = 1; r < ends.size(); ++r) {
      readings.emplace_back(bytes.data() + ends[r - 1], ends[r] - ends[r - 1]);
    }
  }
};

// A length, checked against `max` before anything is read, then the bytes,
// checked to be UTF-8.
Status<UnidicLoadError> read_text(FieldReader& reader, std::string_view field, std::uint64_t max,
                                  DecodedEntry& entry) {
  LUMRA_TRY_ASSIGN(std::uint32_t length, reader.read_unsigned<std::uint32_t>(field));
  if (length > max) return Fail(ArtifactLimitExceeded{std::string(field), length, max});
  std::size_t start = entry.bytes.size();
  LUMRA_TRY(reader.append(entry.bytes, length, field));
  std::string_view text = std::string_view(entry.bytes).substr(start);
  if (std::optional<Utf8Error> error = find_utf8_error(text)) {
    return Fail(InvalidBinaryUtf8{std::string(field), *error});
  }
  entry.ends.push_back(entry.bytes.size());
  return Unit{};
}

Status<UnidicLoadError> read_entry(FieldReader& reader, DecodedEntry& entry) {
  entry.bytes.clear();
  entry.ends.clear();
  LUMRA_TRY(read_text(reader, format::kSurfaceField, UnidicArtifactLimits::kSurfaceBytes, entry));
  LUMRA_TRY_ASSIGN(std::uint32_t reading_count,
                   reader.read_unsigned<std::uint32_t>(format::kReadingCountField));
  if (reading_count > UnidicArtifactLimits::kReadingCount) {
    return Fail(ArtifactLimitExceeded{std::string(format::kReadingCountField), reading_count,
                                      UnidicArtifactLimits::kReadingCount});
  }
  for (std::uint32_t r = 0; r < reading_count; ++r) {
    LUMRA_TRY(
        read_text(reader, format::kReadingField, UnidicArtifactLimits::kReadingBytes, entry));
  }
  entry.view_readings();
  return Unit{};
}

Status<UnidicLoadError> read_header(FieldReader& reader, std::uint64_t& entry_count) {
  std::array<std::uint8_t, 8> magic;
  LUMRA_TRY(reader.read_array(magic, format::kMagicField));
  if (magic != format::kMagic) return Fail(InvalidBinaryMagic{magic});
  LUMRA_TRY_ASSIGN(std::uint32_t version,
                   reader.read_unsigned<std::uint32_t>(format::kVersionField));
  if (version != format::kVersion) return Fail(UnsupportedBinaryVersion{version});
  LUMRA_TRY_ASSIGN(std::uint32_t reserved,
                   reader.read_unsigned<std::uint32_t>(format::kReservedField));
  if (reserved != 0) return Fail(NonZeroBinaryReserved{reserved});
  LUMRA_TRY_ASSIGN(entry_count, reader.read_unsigned<std::uint64_t>(format::kEntryCountField));
  if (entry_count > UnidicArtifactLimits::kEntryCount) {
    return Fail(ArtifactLimitExceeded{std::string(format::kEntryCountField), entry_count,
                                      UnidicArtifactLimits::kEntryCount});
  }
  return Unit{};
}

// `input_bytes` bounds the entries the input can hold and the storage their
// texts need (a length takes fewer bytes in the index than in the file), so
// that a header claiming millions of entries in a small file sizes nothing
// for them.
// `keys`, when given, receives the surface-order key of every entry kept.
Result<std::unique_ptr<MapReadingIndex>, UnidicLoadError> decode(
    FieldReader& reader, std::uint64_t input_bytes,
    std::vector<payload::SurfaceOrderKey>* keys = nullptr) {
  std::uint64_t entry_count = 0;
  LUMRA_TRY(read_header(reader, entry_count));
  payload::SurfaceTableBuilder builder = make_unidic_table_builder();
  builder.note_surface_order_keys(keys);
  std::uint64_t room = input_bytes - std::min(input_bytes, format::kHeaderBytes);
  builder.reserve(std::min(entry_count, room / format::kMinEntryBytes),
                  std::min(room, entry_count * format::kMaxEntryBytes));
  // The builder keeps its first validation failure and ignores the entries
  // after it, while decoding goes on to the end: a decode failure in any
  // later entry is the one reported.
  DecodedEntry entry;
  for (std::uint64_t k = 0; k < entry_count; ++k) {
    LUMRA_TRY(read_entry(reader, entry));
    builder.add(entry.surface(), entry.readings);
  }
  return finish_map_reading_index(1, kUnidicPayloadType, std::move(builder));
}

}  // namespace

Result<std::unique_ptr<UnidicReadingIndex>, UnidicLoadError> load_binary_payload(
    std::string_view path) {
  auto file = payload::PayloadFile::open(path, UnidicArtifactLimits::kPayloadBytes);
  if (!file.ok()) return Fail(to_load_error(file.error()));
  FieldReader reader(file.value(), &file.value());
  LUMRA_TRY_ASSIGN(std::unique_ptr<MapReadingIndex> index,
                   decode(reader, file.value().size_when_opened()));
  return std::unique_ptr<UnidicReadingIndex>(std::move(index));
}

Result<ChecksummedBinaryPayload, UnidicLoadError> load_binary_payload_with_checksum(
    std::string_view path, payload::CanonicalHash hash) {
  auto file = payload::PayloadFile::open(path, UnidicArtifactLimits::kPayloadBytes);
  if (!file.ok()) return Fail(to_load_error(file.error()));
  FieldReader reader(file.value(), &file.value());
  std::vector<payload::SurfaceOrderKey> keys;
  LUMRA_TRY_ASSIGN(std::unique_ptr<MapReadingIndex> index,
                   decode(reader, file.value().size_when_opened(), &keys));
  std::string checksum = map_index_checksum(*index, std::move(keys), hash);
  return ChecksummedBinaryPayload{std::move(index), std::move(checksum)};
}

Result<std::unique_ptr<UnidicReadingIndex>, UnidicLoadError> decode_binary_payload(
    std::string_view bytes) {
  MemoryInput input(bytes);
  FieldReader reader(input, nullptr);
  LUMRA_TRY_ASSIGN(std::unique_ptr<MapReadingIndex> index, decode(reader, bytes.size()));
  return std::unique_ptr<UnidicReadingIndex>(std::move(index));
}

}  // namespace lumra::ja
