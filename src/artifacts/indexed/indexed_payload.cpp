#include "artifacts/indexed/indexed_payload.h"

#include <bit>
#include <cstring>
#include <limits>
#include <span>

#include "artifacts/fst/fst_stream.h"
#include "artifacts/indexed/earlier_readings.h"
#include "artifacts/indexed/key_utf8.h"
#include "core/base/interruption.h"

namespace lumra::artifacts {

namespace {

using namespace indexed_problems;

std::uint64_t read_le(const std::uint8_t* at, std::size_t size) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < size; ++i) value |= std::uint64_t{at[i]} << (8 * i);
  return value;
}

// The record fields: one load instead of a loop.
std::uint32_t read_u32(const std::uint8_t* at) {
  std::uint32_t value;
  std::memcpy(&value, at, 4);
  if constexpr (std::endian::native == std::endian::big) value = __builtin_bswap32(value);
  return value;
}

std::string_view as_text(const std::uint8_t* at, std::size_t size) {
  return {reinterpret_cast<const char*>(at), size};
}

// One bit per possible record start in the readings section and after it:
// set once the record there has passed every check.
class CheckedRecords {
 public:
  explicit CheckedRecords(std::uint64_t positions) : words_(positions / 64 + 1, 0) {}
  bool contains(std::uint64_t offset) const {
    return offset / 64 < words_.size() && (words_[offset / 64] >> (offset % 64) & 1) != 0;
  }
  void add(std::uint64_t offset) { words_[offset / 64] |= std::uint64_t{1} << (offset % 64); }

 private:
  std::vector<std::uint64_t> words_;
};

// A walk's work for an entry, in interruption units (about a nanosecond
// each): a pass over its bytes, and a little for the step of the walk.
std::uint64_t entry_work(std::string_view surface, const std::vector<std::string_view>& readings) {
  std::uint64_t bytes = surface.size() + 16;
  for (std::string_view reading : readings) bytes += reading.size() + 4;
  return bytes;
}

}  // namespace

Result<IndexedPayload, IndexedProblem> IndexedPayload::open(std::vector<std::uint8_t> bytes,
                                                            const IndexedFormat& format) {
  const std::uint64_t length = bytes.size();
  if (length > format.max_payload_bytes) {
    return Fail(LimitExceeded{"payload_bytes", length, format.max_payload_bytes});
  }
  if (length < kIndexedHeaderBytes) return Fail(Truncated{"header"});
  const std::uint8_t* header = bytes.data();
  if (std::memcmp(header, format.magic.data(), 8) != 0) {
    BadMagic bad;
    std::memcpy(bad.magic.data(), header, 8);
    return Fail(bad);
  }
  const auto version = static_cast<std::uint32_t>(read_le(header + 8, 4));
  if (version != kIndexedVersion) return Fail(BadVersion{version});
  const auto header_word = static_cast<std::uint32_t>(read_le(header + 12, 4));
  if (header_word > format.max_header_word) return Fail(BadHeaderWord{header_word});
  const std::uint64_t entry_count = read_le(header + 16, 8);
  if (entry_count > format.limits.entry_count) {
    return Fail(LimitExceeded{"entry_count", entry_count, format.limits.entry_count});
  }
  const std::uint64_t fst_length = read_le(header + 24, 8);
  const std::uint64_t readings_length = read_le(header + 32, 8);
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  if (fst_length > kMax - kIndexedHeaderBytes) return Fail(Truncated{"fst_section"});
  const std::uint64_t readings_start = kIndexedHeaderBytes + fst_length;
  if (readings_length > kMax - readings_start) return Fail(Truncated{"readings_section"});
  if (length < readings_start + readings_length) return Fail(Truncated{"indexed_payload"});

  const std::span<const std::uint8_t> section(bytes.data() + kIndexedHeaderBytes, fst_length);
  Result<fst::FstMap, fst::FstError> map = fst::FstMap::open(section);
  if (!map.ok()) return Fail(BadFst{fst::message(map.error())});
  if (map.value().size() != entry_count) {
    return Fail(EntryCountMismatch{entry_count, map.value().size()});
  }
  // Moving the vector keeps its buffer, which the map points into.
  return IndexedPayload(std::move(bytes), std::move(map).value(), format, readings_start, header_word,
                        entry_count);
}

Status<IndexedProblem> IndexedPayload::decode_reading_record(
    std::uint64_t offset, std::vector<std::string_view>& readings) const {
  readings.clear();
  const std::uint64_t end = bytes_.size();
  // readings_start_ <= end, so the sum overflows exactly when the offset is
  // past the end anyway.
  if (offset >= end - readings_start_) return Fail(BadOffset{offset});
  std::uint64_t at = readings_start_ + offset;
  if (end - at < 4) return Fail(Truncated{"reading_count"});
  const std::uint64_t count = read_u32(bytes_.data() + at);
  if (count > limits_.reading_count) {
    return Fail(LimitExceeded{"reading_count", count, limits_.reading_count});
  }
  at += 4;
  for (std::uint64_t r = 0; r < count; ++r) {
    if (end - at < 4) return Fail(Truncated{"reading_len"});
    const std::uint64_t size = read_u32(bytes_.data() + at);
    at += 4;
    if (size > limits_.reading_bytes) {
      return Fail(LimitExceeded{"reading_bytes", size, limits_.reading_bytes});
    }
    if (end - at < size) return Fail(Truncated{"reading"});
    const std::string_view reading = as_text(bytes_.data() + at, size);
    if (std::optional<ja::Utf8Error> error = ja::find_utf8_error(reading)) {
      return Fail(BadUtf8{"reading", *error});
    }
    readings.push_back(reading);
    at += size;
  }
  return Unit{};
}

Status<IndexedProblem> IndexedPayload::check_entries(
    const payload::ReadingNormalizer& normal_form) const {
  return check_entries(normal_form, nullptr);
}

Status<IndexedProblem> IndexedPayload::check_entries(const payload::ReadingNormalizer& normal_form,
                                                     const EntryVisitor& visit) const {
  return check_entries(normal_form, &visit);
}

void IndexedPayload::checked_record(std::uint64_t offset,
                                    std::vector<std::string_view>& readings) const {
  readings.clear();
  const std::uint8_t* at = bytes_.data() + readings_start_ + offset;
  const std::uint64_t count = read_u32(at);
  at += 4;
  for (std::uint64_t r = 0; r < count; ++r) {
    const std::uint64_t size = read_u32(at);
    readings.push_back(as_text(at + 4, size));
    at += 4 + size;
  }
}

Status<IndexedProblem> IndexedPayload::check_entries(const payload::ReadingNormalizer& normal_form,
                                                     const EntryVisitor* visit) const {
  fst::FstStream stream(map_);
  std::vector<std::string_view> readings;
  EarlierReadings earlier;
  CheckedRecords checked(bytes_.size() - readings_start_);
  // Entries may share one large record: each is checked once, but a visit
  // (a checksum's, say) sees it again for every surface, which can take
  // hours for a hostile payload. The walk stops when asked to.
  InterruptionPoll poll;
  while (true) {
    Result<bool, fst::FstError> more = stream.next();
    if (!more.ok()) return Fail(BadFst{fst::message(more.error())});
    if (!more.value()) return Unit{};
    const std::string_view surface = stream.key();
    // Every key before this one passed, so what it shares with the last
    // one is known to be UTF-8.
    if (std::optional<ja::Utf8Error> error = find_utf8_error_after(surface, stream.shared_prefix())) {
      return Fail(BadUtf8{"surface", *error});
    }
    if (surface.empty()) return Fail(EmptySurface{});
    if (surface.size() > limits_.surface_bytes) {
      return Fail(LimitExceeded{"surface_bytes", surface.size(), limits_.surface_bytes});
    }
    // Nothing below depends on the surface except the text of a problem,
    // and a problem ends the walk: a record that passed once passes again.
    const std::uint64_t offset = stream.value();
    if (checked.contains(offset)) {
      if (visit != nullptr) {
        checked_record(offset, readings);
        (*visit)(surface, readings);
        if (poll.stop_after(entry_work(surface, readings))) return Fail(indexed_problems::Interrupted{});
      }
      continue;
    }
    LUMRA_TRY(decode_reading_record(offset, readings));
    if (poll.stop_after(entry_work(surface, readings))) return Fail(indexed_problems::Interrupted{});
    if (readings.empty()) return Fail(EmptyReadings{std::string(surface)});
    earlier.reset(readings);
    for (std::size_t r = 0; r < readings.size(); ++r) {
      const std::string_view reading = readings[r];
      if (reading.empty()) return Fail(EmptyReading{std::string(surface), r});
      if (normal_form) {
        if (std::optional<std::string> normalized = normal_form(reading)) {
          return Fail(ReadingNotNormalized{std::string(surface), std::string(reading),
                                           std::move(*normalized)});
        }
      }
      if (earlier.repeats_earlier(r)) {
        return Fail(DuplicateReading{std::string(surface), std::string(reading)});
      }
    }
    checked.add(offset);
    if (visit != nullptr) (*visit)(surface, readings);
  }
}

Result<bool, IndexedProblem> IndexedPayload::lookup(
    std::string_view surface, std::vector<std::string_view>& readings) const {
  const std::optional<std::uint64_t> offset = map_.get(surface);
  if (!offset) {
    readings.clear();
    return false;
  }
  LUMRA_TRY(decode_reading_record(*offset, readings));
  return true;
}

Status<IndexedProblem> IndexedPayload::for_each_entry(const EntryVisitor& visit) const {
  fst::FstStream stream(map_);
  std::vector<std::string_view> readings;
  InterruptionPoll poll;  // as in check_entries()
  while (true) {
    Result<bool, fst::FstError> more = stream.next();
    if (!more.ok()) return Fail(BadFst{fst::message(more.error())});
    if (!more.value()) return Unit{};
    LUMRA_TRY(decode_reading_record(stream.value(), readings));
    visit(stream.key(), readings);
    if (poll.stop_after(entry_work(stream.key(), readings))) return Fail(indexed_problems::Interrupted{});
  }
}

}  // namespace lumra::artifacts
