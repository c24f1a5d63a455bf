// Why a Chinese payload could not be loaded, or an indexed record could not
// be read.
//
// One variant per failure, in the order the loaders check them; message()
// writes the one template of each. Surfaces, readings, payload types and
// view names are written in quoted form, magics as the list of their eight
// byte values.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <variant>

#include "ja/unidic/unidic_load_error.h"

namespace lumra::zh {

using ja::Utf8Error;

namespace zh_errors {

struct Io {
  std::string error;  // the operating system's description
};
struct Yaml {
  std::string error;  // the parser's description, with its position
};
struct InvalidIndexedMagic {
  std::array<std::uint8_t, 8> magic;
};
struct UnsupportedIndexedVersion {
  std::uint32_t version;
};
struct UnsupportedIndexedPinyinView {
  std::uint32_t value;
};
struct ArtifactLimitExceeded {
  std::string field;
  std::uint64_t length;
  std::uint64_t max;
};
struct TruncatedIndexed {
  std::string field;
};
struct InvalidIndexedFst {
  std::string message;
};
struct IndexedEntryCountMismatch {
  std::uint64_t header_entries;
  std::uint64_t fst_entries;
};
struct InvalidIndexedOffset {
  std::uint64_t offset;
};
struct InvalidIndexedUtf8 {
  std::string field;
  Utf8Error source;
};
struct UnsupportedSchemaVersion {
  std::uint32_t version;
};
struct UnsupportedPayloadType {
  std::string payload_type;
};
struct UnsupportedPinyinView {
  std::string pinyin_view;
};
struct EmptySurface {
  std::uint64_t entry_index;
};
struct DuplicateSurface {
  std::string surface;
};
struct EmptyReadings {
  std::string surface;
};
struct EmptyReading {
  std::string surface;
  std::uint64_t reading_index;
};
struct DuplicateReading {
  std::string surface;
  std::string reading;
};
struct ReadingNotNormalized {
  std::string surface;
  std::string reading;
  std::string normalized;
};

}  // namespace zh_errors

using ZhLoadError = std::variant<
    zh_errors::Io, zh_errors::Yaml, zh_errors::InvalidIndexedMagic,
    zh_errors::UnsupportedIndexedVersion, zh_errors::UnsupportedIndexedPinyinView,
    zh_errors::ArtifactLimitExceeded, zh_errors::TruncatedIndexed, zh_errors::InvalidIndexedFst,
    zh_errors::IndexedEntryCountMismatch, zh_errors::InvalidIndexedOffset,
    zh_errors::InvalidIndexedUtf8, zh_errors::UnsupportedSchemaVersion,
    zh_errors::UnsupportedPayloadType, zh_errors::UnsupportedPinyinView, zh_errors::EmptySurface,
    zh_errors::DuplicateSurface, zh_errors::EmptyReadings, zh_errors::EmptyReading,
    zh_errors::DuplicateReading, zh_errors::ReadingNotNormalized>;

std::string message(const ZhLoadError& error);

}  // namespace lumra::zh
