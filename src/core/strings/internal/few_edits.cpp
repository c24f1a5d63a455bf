#include "core/strings/internal/few_edits.h"

#include <algorithm>
#include <cstddef>

#include "core/strings/internal/native_affixes.h"
#include "core/strings/internal/native_units.h"

namespace lumra::internal {

namespace {

// Stands for "more than the budget": above any bound the search accepts, and
// far from overflowing when a few edits are added to it.
constexpr std::uint64_t kOver = std::uint64_t{1} << 40;

// Whether x[0..length) equals y[0..length).
template <class A, class B>
inline bool same(const A* x, const B* y, std::size_t length) {
  return native_prefix_length(x, y, length) == length;
}

// The last edit of a search: a[0] != b[0], both non-empty and at most one
// symbol apart in length, so the lengths leave one operation that can
// explain the difference (two with transpositions), and it must make the
// rests equal. 1 when one does, kOver otherwise; the same as trying all of
// them with no edit left.
template <bool kTranspositions, class A, class B>
std::uint64_t within_one(const A* a, std::size_t m, const B* b, std::size_t n) {
  if (m == n) {
    if (same(a + 1, b + 1, m - 1)) return 1;
    if constexpr (kTranspositions) {
      if (m >= 2 && Symbol{a[0]} == Symbol{b[1]} && Symbol{a[1]} == Symbol{b[0]} &&
          same(a + 2, b + 2, m - 2)) {
        return 1;
      }
    }
    return kOver;
  }
  if (m > n) return same(a + 1, b, n) ? 1 : kOver;
  return same(a, b + 1, m) ? 1 : kOver;
}

// The distance of a[0..m) and b[0..n) if it is at most `budget`; otherwise
// kOver or some cost above `budget`. Every value returned is the cost of a
// real edit script, so it is never below the distance, and the branch that
// follows an optimal script finds it exactly.
template <bool kTranspositions, class A, class B>
std::uint64_t cheapest(const A* a, std::size_t m, const B* b, std::size_t n, unsigned budget) {
  // Matching a common prefix changes neither length difference nor distance,
  // and the difference alone already costs that many edits.
  if ((m > n ? m - n : n - m) > budget) return kOver;
  const std::size_t p = native_prefix_length(a, b, std::min(m, n));
  a += p;
  b += p;
  m -= p;
  n -= p;
  if (m == 0) return n;
  if (n == 0) return m;
  if (budget == 0) return kOver;  // a[0] != b[0] costs at least one edit
  if (budget == 1) return within_one<kTranspositions>(a, m, b, n);
  if constexpr (!kTranspositions) {
    // Equal lengths of two or more whose first and last symbols both
    // differ: one edit cannot mend both ends, so two edits are one at each
    // end with the length kept, and every symbol between them matched: two
    // substitutions, or a deletion at one end and an insertion at the
    // other. Three scans decide, where the branches below take a dozen
    // (unrelated texts of equal length, under a tight cutoff, end here).
    if (budget == 2 && m == n && m >= 2 && Symbol{a[m - 1]} != Symbol{b[n - 1]}) {
      if (same(a + 1, b + 1, m - 2) || same(a + 1, b, m - 1) || same(a, b + 1, m - 1)) return 2;
      return kOver;
    }
  }

  const unsigned rest = budget - 1;
  std::uint64_t best = cheapest<kTranspositions>(a + 1, m - 1, b + 1, n - 1, rest);
  if (best == 0) return 1;  // a first difference costs one edit at least
  best = std::min(best, cheapest<kTranspositions>(a + 1, m - 1, b, n, rest));
  if (best == 0) return 1;
  best = std::min(best, cheapest<kTranspositions>(a, m, b + 1, n - 1, rest));
  if constexpr (kTranspositions) {
    if (best > 0 && m >= 2 && n >= 2 && Symbol{a[0]} == Symbol{b[1]} &&
        Symbol{a[1]} == Symbol{b[0]}) {
      best = std::min(best, cheapest<kTranspositions>(a + 2, m - 2, b + 2, n - 2, rest));
    }
  }
  return best + 1;
}

}  // namespace

std::optional<std::uint64_t> levenshtein_few_edits(Symbols left, Symbols right,
                                                   std::uint64_t bound) {
  const std::uint64_t cost = cheapest<false>(left.data(), left.size(), right.data(), right.size(),
                                             static_cast<unsigned>(bound));
  if (cost > bound) return std::nullopt;
  return cost;
}

BoundedDistance osa_few_edits(Symbols left, Symbols right, std::uint64_t bound) {
  const std::uint64_t cost = cheapest<true>(left.data(), left.size(), right.data(), right.size(),
                                            static_cast<unsigned>(bound));
  return {cost <= bound, cost};
}

std::optional<std::uint64_t> levenshtein_few_edits(NativeText left, NativeText right,
                                                   std::uint64_t bound) {
  const std::uint64_t cost = with_native_units(
      left, right, [&](const auto* a, std::size_t m, const auto* b, std::size_t n) {
        return cheapest<false>(a, m, b, n, static_cast<unsigned>(bound));
      });
  if (cost > bound) return std::nullopt;
  return cost;
}

BoundedDistance osa_few_edits(NativeText left, NativeText right, std::uint64_t bound) {
  const std::uint64_t cost = with_native_units(
      left, right, [&](const auto* a, std::size_t m, const auto* b, std::size_t n) {
        return cheapest<true>(a, m, b, n, static_cast<unsigned>(bound));
      });
  return {cost <= bound, cost};
}

}  // namespace lumra::internal
