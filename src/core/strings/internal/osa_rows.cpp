// The three-row restricted Damerau programme.
#include <algorithm>

#include "core/strings/internal/osa_kernels.h"

namespace lumra::internal {

namespace {

class OsaRows {
 public:
  OsaRows(Symbols left, Symbols right, StringWorkspace& workspace)
      : left_(left), right_(right) {
    const std::size_t width = right.size() + 1;
    for (auto& row : workspace.buffers().rows) row.resize(width);
    before_last_ = workspace.buffers().rows[0].data();
    previous_ = workspace.buffers().rows[1].data();
    current_ = workspace.buffers().rows[2].data();
    std::fill(before_last_, before_last_ + width, 0);
    for (std::size_t i = 0; i < width; ++i) previous_[i] = i;
  }

  // Computes the row for left[j - 1] and returns its minimum.
  std::uint64_t next_row(std::size_t j) {
    const Symbol h = left_[j - 1];
    current_[0] = j;
    std::uint64_t row_minimum = j;
    for (std::size_t i = 1; i <= right_.size(); ++i) {
      const Symbol m = right_[i - 1];
      std::uint64_t v = std::min({previous_[i - 1] + (h != m ? 1 : 0), current_[i - 1] + 1,
                                  previous_[i] + 1});
      if (j >= 2 && i >= 2 && h == right_[i - 2] && m == left_[j - 2]) {
        v = std::min(v, before_last_[i - 2] + 1);
      }
      current_[i] = v;
      row_minimum = std::min(row_minimum, v);
    }
    std::uint64_t* reused = before_last_;
    before_last_ = previous_;
    previous_ = current_;
    current_ = reused;
    return row_minimum;
  }

  std::uint64_t last_value() const { return previous_[right_.size()]; }

 private:
  Symbols left_;
  Symbols right_;
  std::uint64_t* before_last_;
  std::uint64_t* previous_;
  std::uint64_t* current_;
};

}  // namespace

std::uint64_t osa_rows(Symbols left, Symbols right, StringWorkspace& workspace) {
  OsaRows rows(left, right, workspace);
  for (std::size_t j = 1; j <= left.size(); ++j) rows.next_row(j);
  return rows.last_value();
}

BoundedDistance osa_rows_bounded(Symbols left, Symbols right, std::uint64_t bound,
                                 StringWorkspace& workspace) {
  OsaRows rows(left, right, workspace);
  for (std::size_t j = 1; j <= left.size(); ++j) {
    if (rows.next_row(j) > bound) return {false, 0};
  }
  const std::uint64_t value = rows.last_value();
  return {value <= bound, value};
}

}  // namespace lumra::internal
