#include "artifacts/indexed/indexed_payload.h"

#include "artifacts/fst/fst_stream.h"
#include "core/base/interruption.h"

namespace lumra::artifacts {

std::uint64_t entry_work(std::string_view surface, const std::vector<std::string_view>& readings) {
  std::uint64_t bytes = surface.size() + 16;
  for (std::string_view reading : readings) bytes += reading.size() + 4;
  return bytes;
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
  // Entries may share one large record, which a visit then sees again for
  // every surface: a hostile payload could keep it busy for hours.
  InterruptionPoll poll;
  while (true) {
    Result<bool, fst::FstError> more = stream.next();
    if (!more.ok()) return Fail(indexed_problems::BadFst{fst::message(more.error())});
    if (!more.value()) return Unit{};
    LUMRA_TRY(decode_reading_record(stream.value(), readings));
    visit(stream.key(), readings);
    if (poll.stop_after(entry_work(stream.key(), readings))) return Fail(indexed_problems::Interrupted{});
  }
}

}  // namespace lumra::artifacts
