// Where each feature of a UniDic lexicon row lies, as the dictionary's dicrc
// declares it in its "; f[N]: name" comment lines. A lex.csv row is the
// surface, the left and right context ids and the cost, then the features in
// that order.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/result.h"

namespace lumra::artifacts::build {

class UnidicColumns {
 public:
  // The layout declared by the text of a dicrc; fails when it declares no
  // features or names one index twice.
  static Result<UnidicColumns, std::string> from_dicrc(std::string_view text);

  // The row column of the feature `name` ("kana", "pron", "pos1", ...).
  std::optional<std::size_t> column(std::string_view name) const;

  // Columns in a complete row: the four leading ones and every feature.
  std::size_t row_width() const { return 4 + names_.size(); }

  const std::vector<std::string>& feature_names() const { return names_; }

 private:
  std::vector<std::string> names_;  // by feature index
};

}  // namespace lumra::artifacts::build
