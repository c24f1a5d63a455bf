#include "artifacts/indexed/unidic_indexed_index.h"

#include <cassert>
#include <optional>
#include <string>

#include "artifacts/indexed/unchecked_indexed_payload.h"
#include "core/base/interruption.h"
#include "ja/unidic/canonical_checksum.h"

namespace lumra::artifacts {

namespace {

namespace problems = indexed_problems;
using namespace ja::unidic_errors;

}  // namespace

ja::UnidicLoadError to_unidic_load_error(IndexedProblem problem) {
  struct Convert {
    ja::UnidicLoadError operator()(problems::LimitExceeded& p) {
      return ArtifactLimitExceeded{std::string(p.field), p.length, p.max};
    }
    ja::UnidicLoadError operator()(problems::Truncated& p) {
      return TruncatedIndexed{std::string(p.field)};
    }
    ja::UnidicLoadError operator()(problems::BadMagic& p) { return InvalidIndexedMagic{p.magic}; }
    ja::UnidicLoadError operator()(problems::BadVersion& p) {
      return UnsupportedIndexedVersion{p.version};
    }
    ja::UnidicLoadError operator()(problems::BadHeaderWord& p) {
      return NonZeroIndexedReserved{p.value};
    }
    ja::UnidicLoadError operator()(problems::BadFst& p) {
      return InvalidIndexedFst{std::move(p.message)};
    }
    ja::UnidicLoadError operator()(problems::EntryCountMismatch& p) {
      return IndexedEntryCountMismatch{p.header_entries, p.fst_entries};
    }
    ja::UnidicLoadError operator()(problems::BadOffset& p) {
      return InvalidIndexedOffset{p.offset};
    }
    ja::UnidicLoadError operator()(problems::BadUtf8& p) {
      return InvalidIndexedUtf8{std::string(p.field), p.source};
    }
    ja::UnidicLoadError operator()(problems::EmptySurface&) { return EmptySurface{0}; }
    ja::UnidicLoadError operator()(problems::EmptyReadings& p) {
      return EmptyReadings{std::move(p.surface)};
    }
    ja::UnidicLoadError operator()(problems::EmptyReading& p) {
      return EmptyReading{std::move(p.surface), p.reading_index};
    }
    // Japanese readings are stored as written: the entries are checked
    // without a normal form, so this never arises.
    ja::UnidicLoadError operator()(problems::ReadingNotNormalized& p) {
      assert(false);
      return EmptyReadings{std::move(p.surface)};
    }
    ja::UnidicLoadError operator()(problems::DuplicateReading& p) {
      return DuplicateReading{std::move(p.surface), std::move(p.reading)};
    }
    // Whoever installed the interruption source discards this error.
    ja::UnidicLoadError operator()(problems::Interrupted&) { return Io{lumra::message(Interrupted{})}; }
  };
  return std::visit(Convert{}, problem);
}

ja::UnidicLoadError to_unidic_load_error(const PayloadBytesError& error, std::uint64_t max_bytes) {
  struct Convert {
    std::uint64_t max_bytes;
    ja::UnidicLoadError operator()(const payload::FileOsError& e) const {
      return Io{payload::os_error_text(e.code)};
    }
    ja::UnidicLoadError operator()(const NotRegularFile&) const {
      return Io{std::string(kNotRegularFileText)};
    }
    ja::UnidicLoadError operator()(const payload::FileTooLarge& e) const {
      return ArtifactLimitExceeded{"payload_bytes", e.size, max_bytes};
    }
  };
  return std::visit(Convert{max_bytes}, error);
}

Result<bool, ja::UnidicLoadError> IndexedUnidicReadingIndex::lookup(
    std::string_view surface, std::vector<std::string_view>& readings) const {
  Result<bool, IndexedProblem> found = payload_.lookup(surface, readings);
  if (!found.ok()) return Fail(to_unidic_load_error(found.take_error()));
  return found.value();
}

namespace {

fst::FstMap::PrefixWalk fst_walk(const ja::UnidicReadingIndex::SurfaceWalk& walk) {
  return {walk.at, walk.value, walk.live};
}

ja::UnidicReadingIndex::SurfaceWalk surface_walk(const fst::FstMap::PrefixWalk& walk) {
  return {walk.address, walk.value, walk.live};
}

}  // namespace

ja::UnidicReadingIndex::SurfaceWalk IndexedUnidicReadingIndex::start_surface_walk() const {
  return surface_walk(payload_.map().start_prefix_walk());
}

void IndexedUnidicReadingIndex::extend_surface_walk(SurfaceWalk& walk,
                                                    std::string_view bytes) const {
  fst::FstMap::PrefixWalk on = fst_walk(walk);
  payload_.map().extend(on, bytes);
  walk = surface_walk(on);
}

Result<bool, ja::UnidicLoadError> IndexedUnidicReadingIndex::lookup_walked(
    const SurfaceWalk& walk, std::string_view surface,
    std::vector<std::string_view>& readings) const {
  (void)surface;
  const std::optional<std::uint64_t> offset = payload_.map().value_of(fst_walk(walk));
  if (!offset) {
    readings.clear();
    return false;
  }
  LUMRA_TRY(decode_reading_record(*offset, readings));
  return true;
}

Status<ja::UnidicLoadError> IndexedUnidicReadingIndex::for_each_canonical_entry(
    const EntryVisitor& visit) const {
  Status<IndexedProblem> walked = payload_.for_each_entry(visit);
  if (!walked.ok()) return Fail(to_unidic_load_error(walked.take_error()));
  return Unit{};
}

Status<ja::UnidicLoadError> IndexedUnidicReadingIndex::decode_reading_record(
    std::uint64_t offset, std::vector<std::string_view>& readings) const {
  Status<IndexedProblem> decoded = payload_.decode_reading_record(offset, readings);
  if (!decoded.ok()) return Fail(to_unidic_load_error(decoded.take_error()));
  return Unit{};
}

Result<std::unique_ptr<IndexedUnidicReadingIndex>, ja::UnidicLoadError> parse_indexed_payload(
    std::vector<std::uint8_t> bytes, payload::CanonicalDigest* content_digest) {
  Result<UncheckedIndexedPayload, IndexedProblem> opened =
      UncheckedIndexedPayload::open(std::move(bytes), kUnidicIndexedFormat);
  if (!opened.ok()) return Fail(to_unidic_load_error(opened.take_error()));
  UncheckedIndexedPayload& unchecked = opened.value();
  Result<IndexedPayload, IndexedProblem> checked = [&] {
    if (content_digest == nullptr) return std::move(unchecked).check_entries({});
    ja::write_unidic_canonical_header(content_digest->text());
    return std::move(unchecked).check_entries(
        {}, [&](std::string_view surface, const std::vector<std::string_view>& readings) {
          content_digest->text().entry(surface, readings);
        });
  }();
  if (!checked.ok()) return Fail(to_unidic_load_error(checked.take_error()));
  return std::make_unique<IndexedUnidicReadingIndex>(std::move(checked).value());
}

Result<std::unique_ptr<IndexedUnidicReadingIndex>, ja::UnidicLoadError> load_indexed_payload(
    std::string_view path, payload::CanonicalDigest* content_digest) {
  constexpr std::uint64_t kMaxBytes = kUnidicIndexedFormat.max_payload_bytes;
  Result<std::vector<std::uint8_t>, PayloadBytesError> bytes = read_payload_bytes(path, kMaxBytes);
  if (!bytes.ok()) return Fail(to_unidic_load_error(bytes.error(), kMaxBytes));
  return parse_indexed_payload(std::move(bytes).value(), content_digest);
}

}  // namespace lumra::artifacts
