#include "artifacts/indexed/zh_indexed_index.h"

#include <optional>
#include <string>

#include "artifacts/indexed/pinyin_record_screen.h"
#include "artifacts/indexed/unchecked_indexed_payload.h"
#include "core/base/interruption.h"
#include "zh/index/canonical_checksum.h"
#include "zh/index/normalize_pinyin.h"

namespace lumra::artifacts {

namespace {

namespace problems = indexed_problems;
using namespace zh::zh_errors;

}  // namespace

zh::ZhLoadError to_zh_load_error(IndexedProblem problem) {
  struct Convert {
    zh::ZhLoadError operator()(problems::LimitExceeded& p) {
      return ArtifactLimitExceeded{std::string(p.field), p.length, p.max};
    }
    zh::ZhLoadError operator()(problems::Truncated& p) {
      return TruncatedIndexed{std::string(p.field)};
    }
    zh::ZhLoadError operator()(problems::BadMagic& p) { return InvalidIndexedMagic{p.magic}; }
    zh::ZhLoadError operator()(problems::BadVersion& p) {
      return UnsupportedIndexedVersion{p.version};
    }
    zh::ZhLoadError operator()(problems::BadHeaderWord& p) {
      return UnsupportedIndexedPinyinView{p.value};
    }
    zh::ZhLoadError operator()(problems::BadFst& p) {
      return InvalidIndexedFst{std::move(p.message)};
    }
    zh::ZhLoadError operator()(problems::EntryCountMismatch& p) {
      return IndexedEntryCountMismatch{p.header_entries, p.fst_entries};
    }
    zh::ZhLoadError operator()(problems::BadOffset& p) { return InvalidIndexedOffset{p.offset}; }
    zh::ZhLoadError operator()(problems::BadUtf8& p) {
      return InvalidIndexedUtf8{std::string(p.field), p.source};
    }
    zh::ZhLoadError operator()(problems::EmptySurface&) { return EmptySurface{0}; }
    zh::ZhLoadError operator()(problems::EmptyReadings& p) {
      return EmptyReadings{std::move(p.surface)};
    }
    zh::ZhLoadError operator()(problems::EmptyReading& p) {
      return EmptyReading{std::move(p.surface), p.reading_index};
    }
    zh::ZhLoadError operator()(problems::ReadingNotNormalized& p) {
      return ReadingNotNormalized{std::move(p.surface), std::move(p.reading),
                                  std::move(p.normalized)};
    }
    zh::ZhLoadError operator()(problems::DuplicateReading& p) {
      return DuplicateReading{std::move(p.surface), std::move(p.reading)};
    }
    // Whoever installed the interruption source discards this error.
    zh::ZhLoadError operator()(problems::Interrupted&) { return Io{lumra::message(Interrupted{})}; }
  };
  return std::visit(Convert{}, problem);
}

zh::ZhLoadError to_zh_load_error(const PayloadBytesError& error, std::uint64_t max_bytes) {
  struct Convert {
    std::uint64_t max_bytes;
    zh::ZhLoadError operator()(const payload::FileOsError& e) const {
      return Io{payload::os_error_text(e.code)};
    }
    zh::ZhLoadError operator()(const NotRegularFile&) const {
      return Io{std::string(kNotRegularFileText)};
    }
    zh::ZhLoadError operator()(const payload::FileTooLarge& e) const {
      return ArtifactLimitExceeded{"payload_bytes", e.size, max_bytes};
    }
  };
  return std::visit(Convert{max_bytes}, error);
}

Result<bool, zh::ZhLoadError> IndexedZhReadingIndex::lookup_readings(
    std::string_view surface, std::vector<std::string_view>& readings) const {
  Result<bool, IndexedProblem> found = payload_.lookup(surface, readings);
  if (!found.ok()) return Fail(to_zh_load_error(found.take_error()));
  return found.value();
}

Status<zh::ZhLoadError> IndexedZhReadingIndex::for_each_canonical_entry(
    const EntryVisitor& visit) const {
  Status<IndexedProblem> walked = payload_.for_each_entry(visit);
  if (!walked.ok()) return Fail(to_zh_load_error(walked.take_error()));
  return Unit{};
}

Status<zh::ZhLoadError> IndexedZhReadingIndex::read_readings_record(
    std::uint64_t value, std::vector<std::string_view>& readings) const {
  Status<IndexedProblem> decoded = payload_.decode_reading_record(value, readings);
  if (!decoded.ok()) return Fail(to_zh_load_error(decoded.take_error()));
  return Unit{};
}

Result<std::unique_ptr<IndexedZhReadingIndex>, zh::ZhLoadError> parse_zh_indexed_payload(
    std::vector<std::uint8_t> bytes, payload::CanonicalDigest* content_digest) {
  Result<UncheckedIndexedPayload, IndexedProblem> opened =
      UncheckedIndexedPayload::open(std::move(bytes), kZhIndexedFormat);
  if (!opened.ok()) return Fail(to_zh_load_error(opened.take_error()));
  // open() let through only the header words that are view codes.
  const std::optional<zh::PinyinView> view =
      zh::pinyin_view_from_code(opened.value().header_word());
  if (!view) return Fail(UnsupportedIndexedPinyinView{opened.value().header_word()});
  const ReadingRules rules{
      [view = *view](std::string_view reading) {
        return zh::pinyin_normal_form_if_different(reading, view);
      },
      *view == zh::PinyinView::kTone3
          ? +[](std::string_view reading) { return zh::is_plain_pinyin(reading, zh::PinyinView::kTone3); }
          : +[](std::string_view reading) { return zh::is_plain_pinyin(reading, zh::PinyinView::kNoTone); },
      pinyin_record_screen(*view)};
  UncheckedIndexedPayload& unchecked = opened.value();
  Result<IndexedPayload, IndexedProblem> checked = [&] {
    if (content_digest == nullptr) return std::move(unchecked).check_entries(rules);
    zh::write_zh_canonical_header(content_digest->text(), *view);
    return std::move(unchecked).check_entries(
        rules,
        [&](std::string_view surface, const std::vector<std::string_view>& readings) {
          content_digest->text().entry(surface, readings);
        });
  }();
  if (!checked.ok()) return Fail(to_zh_load_error(checked.take_error()));
  return std::make_unique<IndexedZhReadingIndex>(std::move(checked).value(), *view);
}

Result<std::unique_ptr<IndexedZhReadingIndex>, zh::ZhLoadError> load_zh_indexed_payload(
    std::string_view path, payload::CanonicalDigest* content_digest) {
  constexpr std::uint64_t kMaxBytes = kZhIndexedFormat.max_payload_bytes;
  Result<std::vector<std::uint8_t>, PayloadBytesError> bytes = read_payload_bytes(path, kMaxBytes);
  if (!bytes.ok()) return Fail(to_zh_load_error(bytes.error(), kMaxBytes));
  return parse_zh_indexed_payload(std::move(bytes).value(), content_digest);
}

}  // namespace lumra::artifacts
