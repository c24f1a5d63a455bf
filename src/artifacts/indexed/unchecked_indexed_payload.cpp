#include "artifacts/indexed/unchecked_indexed_payload.h"

#include <cassert>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <variant>

#include "artifacts/indexed/earlier_readings.h"
#include "artifacts/indexed/key_utf8.h"
#include "artifacts/indexed/valid_utf8.h"
#include "core/base/interruption.h"

namespace lumra::artifacts {

namespace {

using namespace indexed_problems;

std::uint64_t read_le(const std::uint8_t* at, std::size_t size) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < size; ++i) value |= std::uint64_t{at[i]} << (8 * i);
  return value;
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

}  // namespace

Result<UncheckedIndexedPayload, IndexedProblem> UncheckedIndexedPayload::open(
    std::vector<std::uint8_t> bytes, const IndexedFormat& format) {
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
  Result<fst::OpeningWalk, fst::FstError> walk = fst::OpeningWalk::start(section, fst::kDefaultMaxKeyBytes, utf8_automaton());
  if (!walk.ok()) return Fail(BadFst{fst::message(walk.error())});
  if (walk.value().size() != entry_count) {
    // The nodes are checked before the counts are compared.
    if (Result<fst::FstMap, fst::FstError> map = fst::FstMap::open(section); !map.ok()) {
      return Fail(BadFst{fst::message(map.error())});
    }
    return Fail(EntryCountMismatch{entry_count, walk.value().size()});
  }
  // Moving the vector keeps its buffer, which the walk points into.
  return UncheckedIndexedPayload(std::move(bytes), std::move(walk).value(), format, readings_start,
                                 header_word, entry_count);
}

Result<IndexedPayload, IndexedProblem> UncheckedIndexedPayload::check_entries(
    const ReadingRules& rules) && {
  return std::move(*this).check_entries(rules, nullptr);
}

Result<IndexedPayload, IndexedProblem> UncheckedIndexedPayload::check_entries(
    const ReadingRules& rules, const IndexedPayload::EntryVisitor& visit) && {
  return std::move(*this).check_entries(rules, &visit);
}

Result<IndexedPayload, IndexedProblem> UncheckedIndexedPayload::check_entries(
    const ReadingRules& rules, const IndexedPayload::EntryVisitor* visit) && {
  Status<IndexedProblem> walked = walk_entries(rules, visit);
  if (!walked.ok()) {
    IndexedProblem problem = walked.take_error();
    // An entry's problem stopped the walk before it had met every node, and
    // a bad FST comes first. (An interrupted load's problem is discarded.)
    if (!std::holds_alternative<BadFst>(problem) && !std::holds_alternative<Interrupted>(problem)) {
      if (Result<fst::FstMap, fst::FstError> map = fst::FstMap::open(fst_section()); !map.ok()) {
        return Fail(BadFst{fst::message(map.error())});
      }
    }
    return Fail(std::move(problem));
  }
  std::optional<fst::FstMap> map = std::move(walk_).finish();
  assert(map.has_value());  // walk_entries() passes only a finished walk
  return IndexedPayload(std::move(bytes_), std::move(*map), limits_, readings_start_, header_word_,
                        entry_count_);
}

Status<IndexedProblem> UncheckedIndexedPayload::walk_entries(
    const ReadingRules& rules, const IndexedPayload::EntryVisitor* visit) {
  const ReadingsSection records{bytes_, readings_start_, limits_.reading_count, limits_.reading_bytes};
  std::vector<std::string_view> readings;
  EarlierReadings earlier;
  CheckedRecords checked(bytes_.size() - readings_start_);
  // Entries may share one large record: each is checked once, but a visit
  // (a checksum's, say) sees it again for every surface, which can take
  // hours for a hostile payload. The walk stops when asked to.
  InterruptionPoll poll;
  while (true) {
    Result<bool, fst::FstError> more = walk_.next();
    if (!more.ok()) return Fail(BadFst{fst::message(more.error())});
    if (!more.value()) return Unit{};
    const std::string_view surface = walk_.key();
    // The walk ran the UTF-8 automaton over the key; only a key it did not
    // accept is searched for its error. Every key before this one passed,
    // so what it shares with the last one is known to be UTF-8.
    if (!utf8_automaton_accepts(walk_.key_state())) {
      if (std::optional<ja::Utf8Error> error = find_utf8_error_after(surface, walk_.shared_prefix())) {
        return Fail(BadUtf8{"surface", *error});
      }
    }
    if (surface.empty()) return Fail(EmptySurface{});
    if (surface.size() > limits_.surface_bytes) {
      return Fail(LimitExceeded{"surface_bytes", surface.size(), limits_.surface_bytes});
    }
    // Nothing below depends on the surface except the text of a problem,
    // and a problem ends the walk: a record that passed once passes again.
    const std::uint64_t offset = walk_.value();
    if (checked.contains(offset)) {
      if (visit != nullptr) {
        read_checked_reading_record(records, offset, readings);
        (*visit)(surface, readings);
        if (poll.stop_after(entry_work(surface, readings))) return Fail(Interrupted{});
      }
      continue;
    }
    if (!rules.screen(records, offset, readings)) {
      LUMRA_TRY(check_record(surface, offset, rules, records, readings, earlier));
    }
    // Counting the work costs a pass over the readings, which only a
    // watched load needs.
    if (poll.watched() && poll.stop_after(entry_work(surface, readings))) return Fail(Interrupted{});
    checked.add(offset);
    if (visit != nullptr) (*visit)(surface, readings);
  }
}

Status<IndexedProblem> UncheckedIndexedPayload::check_record(
    std::string_view surface, std::uint64_t offset, const ReadingRules& rules,
    const ReadingsSection& records, std::vector<std::string_view>& readings,
    EarlierReadings& earlier) const {
  LUMRA_TRY(decode_reading_record(records, offset, readings));
  if (readings.empty()) return Fail(EmptyReadings{std::string(surface)});
  earlier.reset(readings);
  for (std::size_t r = 0; r < readings.size(); ++r) {
    const std::string_view reading = readings[r];
    if (reading.empty()) return Fail(EmptyReading{std::string(surface), r});
    if (rules.normal_form && !(rules.plainly_normal && rules.plainly_normal(reading))) {
      if (std::optional<std::string> normalized = rules.normal_form(reading)) {
        return Fail(ReadingNotNormalized{std::string(surface), std::string(reading),
                                         std::move(*normalized)});
      }
    }
    if (earlier.repeats_earlier(r)) {
      return Fail(DuplicateReading{std::string(surface), std::string(reading)});
    }
  }
  return Unit{};
}

}  // namespace lumra::artifacts
