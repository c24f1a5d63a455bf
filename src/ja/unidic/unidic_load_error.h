// Why a Japanese payload could not be loaded, and why a query option or an
// index lookup failed.
//
// One variant per failure, in the order the loaders check them; message()
// writes the one template of each. Surfaces, readings and payload types are
// written in quoted form, magics as the list of their eight byte values.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace lumra::ja {

// The first malformed sequence of a byte string that should be UTF-8:
// `valid_up_to` bytes are well-formed, then `error_length` bytes form an
// invalid sequence, or (absent) the input ends inside a sequence.
struct Utf8Error {
  std::uint64_t valid_up_to;
  std::optional<std::uint8_t> error_length;
};
std::string message(const Utf8Error& error);

// The first malformed sequence of `bytes`, if any.
std::optional<Utf8Error> find_utf8_error(std::string_view bytes);

namespace unidic_errors {

struct Io {
  std::string error;  // the operating system's description
};
struct Yaml {
  std::string error;  // the parser's description, with its position
};
struct InvalidBinaryMagic {
  std::array<std::uint8_t, 8> magic;
};
struct UnsupportedBinaryVersion {
  std::uint32_t version;
};
struct NonZeroBinaryReserved {
  std::uint32_t value;
};
struct TruncatedBinary {
  std::string field;
};
struct InvalidBinaryUtf8 {
  std::string field;
  Utf8Error source;
};
struct ArtifactLimitExceeded {
  std::string field;
  std::uint64_t length;
  std::uint64_t max;
};
struct InvalidIndexedMagic {
  std::array<std::uint8_t, 8> magic;
};
struct UnsupportedIndexedVersion {
  std::uint32_t version;
};
struct NonZeroIndexedReserved {
  std::uint32_t value;
};
struct TruncatedIndexed {
  std::string field;
};
struct InvalidIndexedFst {
  std::string message;
};
struct InvalidIndexedOffset {
  std::uint64_t offset;
};
struct InvalidIndexedUtf8 {
  std::string field;
  Utf8Error source;
};
struct IndexedEntryCountMismatch {
  std::uint64_t header_entries;
  std::uint64_t fst_entries;
};
struct UnsupportedSchemaVersion {
  std::uint32_t version;
};
struct UnsupportedPayloadType {
  std::string payload_type;
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

}  // namespace unidic_errors

using UnidicLoadError = std::variant<
    unidic_errors::Io, unidic_errors::Yaml, unidic_errors::InvalidBinaryMagic,
    unidic_errors::UnsupportedBinaryVersion, unidic_errors::NonZeroBinaryReserved,
    unidic_errors::TruncatedBinary, unidic_errors::InvalidBinaryUtf8,
    unidic_errors::ArtifactLimitExceeded, unidic_errors::InvalidIndexedMagic,
    unidic_errors::UnsupportedIndexedVersion, unidic_errors::NonZeroIndexedReserved,
    unidic_errors::TruncatedIndexed, unidic_errors::InvalidIndexedFst,
    unidic_errors::InvalidIndexedOffset, unidic_errors::InvalidIndexedUtf8,
    unidic_errors::IndexedEntryCountMismatch, unidic_errors::UnsupportedSchemaVersion,
    unidic_errors::UnsupportedPayloadType, unidic_errors::EmptySurface,
    unidic_errors::DuplicateSurface, unidic_errors::EmptyReadings, unidic_errors::EmptyReading,
    unidic_errors::DuplicateReading>;

std::string message(const UnidicLoadError& error);

}  // namespace lumra::ja
