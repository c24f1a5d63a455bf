// Index and option failures as query errors.
#pragma once

#include "ja/japanese_distance_error.h"
#include "ja/unidic/unidic_load_error.h"

namespace lumra::ja {

// A lookup or option failure inside a query, carried with its message.
inline JapaneseDistanceError dictionary_error(const UnidicLoadError& error) {
  return distance_errors::Dictionary{message(error)};
}

// LUMRA_TRY for a Result whose error is a UnidicLoadError, inside a function
// that returns a JapaneseDistanceError.
#define LUMRA_TRY_DICTIONARY(expression)                                        \
  do {                                                                          \
    auto&& lumra_dictionary_result = (expression);                              \
    if (!lumra_dictionary_result.ok()) {                                        \
      return ::lumra::Fail(dictionary_error(lumra_dictionary_result.error()));  \
    }                                                                           \
  } while (false)

}  // namespace lumra::ja
