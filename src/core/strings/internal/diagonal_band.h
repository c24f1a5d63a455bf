// The diagonals a bounded comparison needs.
//
// Cell (i, j) of the table comparing a pattern of m symbols (rows) with a
// text of n symbols (columns) lies on diagonal d = j - i. Reaching the cell
// from (0, 0) costs at least |d| and going on from it to (m, n) at least
// |n - m - d|, so an alignment of cost at most k only visits diagonals with
// |d| + |n - m - d| <= k. Outside that band the table can hold anything that
// is at least the true value; inside it every cell whose true value is at
// most k comes out exact. This holds for transpositions too, which move
// along a diagonal.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace lumra::internal {

class DiagonalBand {
 public:
  // Needs |n - m| <= bound <= max(m, n); a larger bound changes nothing, as
  // no distance exceeds the longer length.
  DiagonalBand(std::size_t m, std::size_t n, std::uint64_t bound)
      : m_(static_cast<std::int64_t>(m)), delta_(static_cast<std::int64_t>(n) - m_) {
    const auto slack = static_cast<std::int64_t>(
        (bound - static_cast<std::uint64_t>(delta_ < 0 ? -delta_ : delta_)) / 2);
    low_ = std::min<std::int64_t>(0, delta_) - slack;
    high_ = std::max<std::int64_t>(0, delta_) + slack;
  }

  // n - m: the diagonal the final cell lies on.
  std::int64_t delta() const { return delta_; }

  // The lowest and highest diagonal in the band; high() - low() + 1 of
  // them, at most bound + 1.
  std::int64_t low() const { return low_; }
  std::int64_t high() const { return high_; }

  // The rows (1-based, within 1..m) of column j inside the band; never
  // empty for 1 <= j <= n.
  std::int64_t first_row(std::int64_t j) const { return std::max<std::int64_t>(1, j - high_); }
  std::int64_t last_row(std::int64_t j) const { return std::min<std::int64_t>(m_, j - low_); }

 private:
  std::int64_t m_;
  std::int64_t delta_;
  std::int64_t low_ = 0;
  std::int64_t high_ = 0;
};

// How the unbounded multi-word kernels pick their bands: close texts have a
// small distance and need only a narrow band, so they first try a bound a
// little above the length difference. A failed try stops once the value on
// the final diagonal passes its bound; the next bound extrapolates the
// distance from how fast that value grew, with a margin, and at least
// doubles. Far-apart texts thus waste one short try before the full band,
// and close ones never see it. Only the work depends on this choice, never
// the result: each try is exact whenever the distance fits its bound.
class BandSchedule {
 public:
  BandSchedule(std::size_t m, std::size_t n)
      : difference_(m > n ? m - n : n - m),
        longer_(std::max(m, n)),
        diagonal_steps_(std::min(m, n)),
        // Up to two words of pattern the full band costs about as little.
        bound_(diagonal_steps_ > 128 ? difference_ + 32 : longer_) {}

  // The bound to try now; at least the longer length means the full band.
  std::uint64_t bound() const { return std::min<std::uint64_t>(bound_, longer_); }
  bool full() const { return bound_ >= longer_; }

  // The try at bound() failed with `reached` on the final diagonal after
  // `steps` of its steps.
  void failed(std::uint64_t reached, std::uint64_t steps) {
    std::uint64_t estimate = longer_;
    if (steps > 0 && reached >= difference_) {
      const double rate = static_cast<double>(reached - difference_) / static_cast<double>(steps);
      const double projected = static_cast<double>(difference_) + rate * diagonal_steps_;
      if (projected < static_cast<double>(longer_))
        estimate = static_cast<std::uint64_t>(projected);
    }
    bound_ = std::max(2 * bound_, estimate + estimate / 4 + 1);
  }

 private:
  std::uint64_t difference_;
  std::uint64_t longer_;
  std::uint64_t diagonal_steps_;
  std::uint64_t bound_;
};

}  // namespace lumra::internal
