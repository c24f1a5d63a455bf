// Why a Japanese text could not be turned into readings, or its readings
// not compared.
//
// One variant per failure; message() writes the one template of each, and
// that text is what reaches Python. Characters and kana units are written in
// quoted form. The lattice and distance-matrix variants carry the core's own
// error and write the core's message unchanged; the dictionary variant
// carries a message already formatted by the index or the option check.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "core/base/errors.h"
#include "core/lattice/lattice_error.h"

namespace lumra::ja {

// Which bound of the string form of the romaji expansion was exceeded.
enum class ExpansionLimitKind : std::uint8_t { InputCharacters, ExpandedPaths, ExpandedSymbols };

// "input characters", "expanded romaji paths" or "expanded romaji symbols".
std::string_view expansion_limit_name(ExpansionLimitKind kind);

namespace distance_errors {

struct UnsupportedCharacter {
  char32_t character;  // as written in the text, before any folding
  std::uint64_t index;  // counted in characters from 0
};
struct MissingRomajiVariant {
  std::string unit;  // the kana unit, katakana already folded to hiragana
};
struct NoReadings {};
struct Lattice {
  LatticeError error;
};
struct DistanceMatrix {
  DistanceMatrixTooLarge error;
};
struct Dictionary {
  std::string message;
};
struct ExpansionLimitExceeded {
  ExpansionLimitKind kind;
  std::uint64_t actual;  // 2^64 - 1 when the true value overflowed
  std::uint64_t limit;
};

}  // namespace distance_errors

using JapaneseDistanceError =
    std::variant<distance_errors::UnsupportedCharacter, distance_errors::MissingRomajiVariant,
                 distance_errors::NoReadings, distance_errors::Lattice,
                 distance_errors::DistanceMatrix, distance_errors::Dictionary,
                 distance_errors::ExpansionLimitExceeded>;

std::string message(const JapaneseDistanceError& error);

// Whether `error` only says that one reading path cannot be spelled in
// romaji. The reading forms drop such a path and keep the others; every
// other error ends the query.
bool is_romaji_path_failure(const JapaneseDistanceError& error);

}  // namespace lumra::ja
