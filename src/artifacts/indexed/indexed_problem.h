// Why an indexed payload was refused, in terms common to both languages;
// each language turns a problem into its own load error with its own
// message (unidic_indexed_index.h, zh_indexed_index.h).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "ja/unidic/unidic_load_error.h"

namespace lumra::artifacts {

namespace indexed_problems {

// `field`: "payload_bytes", "entry_count", "surface_bytes", "reading_count"
// or "reading_bytes".
struct LimitExceeded {
  std::string_view field;
  std::uint64_t length;
  std::uint64_t max;
};
// `field`: "header", "fst_section", "readings_section", "indexed_payload",
// "reading_count", "reading_len" or "reading".
struct Truncated {
  std::string_view field;
};
struct BadMagic {
  std::array<std::uint8_t, 8> magic;
};
struct BadVersion {
  std::uint32_t version;
};
// A header word over IndexedFormat::max_header_word.
struct BadHeaderWord {
  std::uint32_t value;
};
struct BadFst {
  std::string message;
};
struct EntryCountMismatch {
  std::uint64_t header_entries;
  std::uint64_t fst_entries;
};
struct BadOffset {
  std::uint64_t offset;
};
// `field`: "surface" or "reading".
struct BadUtf8 {
  std::string_view field;
  ja::Utf8Error source;
};
// Keys are ordered, so an empty one can only be the first entry.
struct EmptySurface {};
struct EmptyReadings {
  std::string surface;
};
struct EmptyReading {
  std::string surface;
  std::uint64_t reading_index;
};
struct ReadingNotNormalized {
  std::string surface;
  std::string reading;
  std::string normalized;
};
struct DuplicateReading {
  std::string surface;
  std::string reading;
};
// The thread's interruption source (core/base/interruption.h) asked a long
// walk of the entries to stop.
struct Interrupted {};

}  // namespace indexed_problems

using IndexedProblem =
    std::variant<indexed_problems::LimitExceeded, indexed_problems::Truncated,
                 indexed_problems::BadMagic, indexed_problems::BadVersion,
                 indexed_problems::BadHeaderWord, indexed_problems::BadFst,
                 indexed_problems::EntryCountMismatch, indexed_problems::BadOffset,
                 indexed_problems::BadUtf8, indexed_problems::EmptySurface,
                 indexed_problems::EmptyReadings, indexed_problems::EmptyReading,
                 indexed_problems::ReadingNotNormalized, indexed_problems::DuplicateReading,
                 indexed_problems::Interrupted>;

}  // namespace lumra::artifacts
