// Why a Chinese text could not be turned into readings, or its readings not
// compared.
//
// message() writes the one template of each variant, and that text is what
// reaches Python.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "core/base/errors.h"
#include "zh/index/zh_load_error.h"

namespace lumra::zh {

namespace chinese_errors {

// Neither pinyin as typed nor readable through the dictionary. Holds the
// text exactly as the caller gave it; written in quoted form.
struct UnsupportedDirectInput {
  std::string text;
};
// A lookup or option failure, carried with the ZhLoadError's message.
struct Dictionary {
  std::string message;
};
// A lattice comparison too large to search; the core's message unchanged.
struct DistanceMatrix {
  DistanceMatrixTooLarge error;
};
// The reading strings of one text, all together, would hold more than
// `limit` bytes (a long text times many paths).
struct ReadingStringsTooLarge {
  std::uint64_t bytes;  // what the strings held when they passed the limit
  std::uint64_t limit;
};

}  // namespace chinese_errors

using ChineseDistanceError =
    std::variant<chinese_errors::UnsupportedDirectInput, chinese_errors::Dictionary,
                 chinese_errors::DistanceMatrix, chinese_errors::ReadingStringsTooLarge>;

std::string message(const ChineseDistanceError& error);

inline ChineseDistanceError dictionary_error(const ZhLoadError& error) {
  return chinese_errors::Dictionary{message(error)};
}

}  // namespace lumra::zh
