#include "core/alignment/best_reading_pairs.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "core/strings/cached_metrics.h"
#include "core/strings/similarity.h"
#include "core/strings/similarity_bound.h"

namespace lumra {

namespace {

constexpr std::uint64_t kUnbounded = std::numeric_limits<std::uint64_t>::max();

// The Levenshtein distance of two readings when it is at most `bound`,
// else nothing. Readings sharing no symbol are as far apart as the longer
// is long, which needs no kernel.
std::optional<std::uint64_t> pair_distance(const CachedLevenshtein& one, Symbols other,
                                           bool share_symbols, std::uint64_t bound,
                                           StringWorkspace& workspace) {
  const std::uint64_t a = one.query().size();
  const std::uint64_t b = other.size();
  const std::uint64_t longer = std::max(a, b);
  // The distance lies between the difference of the lengths and the longer
  // length, so neither end needs a kernel.
  if ((a > b ? a - b : b - a) > bound) return std::nullopt;
  if (!share_symbols) return longer <= bound ? std::optional<std::uint64_t>(longer) : std::nullopt;
  if (bound >= longer) return one.distance(other, workspace);
  return one.distance_within(other, bound, workspace);
}

std::uint64_t work_of(std::uint64_t a, std::uint64_t b) { return (a + 1) * (b + 1) / 64 + 1; }

}  // namespace

BestReadingPairs::BestReadingPairs(ReadingList query, PairSearch search)
    : query_list_(std::move(query)) {
  query_.assign(query_list_);
  const bool worth_it = search == PairSearch::kTrie ||
                        (search == PairSearch::kChosen && query_.size() >= kMinReadingTrieReadings);
  query_in_trie_ = worth_it && query_trie_.assign(query_, kMaxReadingTrieNodes);
}

void BestReadingPairs::set_span(const ReadingList& span) { span_.assign(span); }

bool BestReadingPairs::share_a_reading() const {
  for (std::size_t r = 0; r < span_.size(); ++r) {
    if (query_.contains(span_[r])) return true;
  }
  return false;
}

BestReadingPairs::Sides BestReadingPairs::sides() const {
  if (query_in_trie_) return {span_, query_, &query_trie_};
  // Each reading of the smaller side against the larger one: the masks are
  // built once per reading of the smaller side.
  if (span_.size() < query_.size()) return {span_, query_, nullptr};
  return {query_, span_, nullptr};
}

bool BestReadingPairs::lower_distance(bool can_win, std::uint64_t wanted, NearestReading& state) {
  const auto can_improve = [&] { return can_win && (!state.nearest || *state.nearest > 0); };
  // Once some pair is similar and no pair can bring a closer distance that
  // matters, the remaining pairs change nothing.
  const auto settled = [&] { return state.similar && !can_improve(); };
  const Sides sides = this->sides();
  for (std::size_t o = 0; o < sides.outer.size() && !settled(); ++o) {
    const Symbols one = sides.outer[o];
    if (sides.inner_trie && ReadingTrieSearch::fits(*sides.inner_trie, one)) {
      if (!search_.lower_distance(*sides.inner_trie, one, can_win, wanted, state, poll_)) {
        return false;
      }
      continue;
    }
    const CachedLevenshtein cached(one);
    const std::uint64_t b = one.size();
    // The readings that may still matter: all of them while no pair is
    // similar, else those whose length leaves room for a closer distance.
    const auto window = [&]() -> std::pair<std::size_t, std::size_t> {
      if (!state.similar) return {0, sides.inner.size()};
      if (!can_improve()) return {0, 0};
      const std::uint64_t reach = state.nearest ? *state.nearest - 1 : wanted;
      return sides.inner.lengths_between(b > reach ? b - reach : 0,
                                         b > kUnbounded - reach ? kUnbounded : b + reach);
    };
    auto [i, last] = window();
    for (; i < last && !settled(); ++i) {
      const Symbols other = sides.inner[i];
      const std::uint64_t a = other.size();
      // The similarity needs a distance below the longer length, where it
      // falls to 0.0; the score a distance below the nearest so far, or up
      // to `wanted` before there is one.
      std::uint64_t bound = 0;
      if (!state.similar) bound = std::max(a, b) == 0 ? 0 : std::max(a, b) - 1;
      const bool improves = can_improve();
      const std::uint64_t improving = state.nearest ? *state.nearest - 1 : wanted;
      if (improves) bound = std::max(bound, improving);
      if (poll_.stop_after(work_of(a, b))) return false;
      const bool share = (sides.inner.signature(i) & sides.outer.signature(o)) != 0;
      const auto distance = pair_distance(cached, other, share, bound, strings_);
      if (!distance) continue;
      const bool became_similar =
          !state.similar && similarity_from_distance(*distance, a, b) > 0.0;
      const bool came_nearer = improves && *distance <= improving;
      state.similar = state.similar || became_similar;
      if (came_nearer) state.nearest = *distance;
      if (became_similar || came_nearer) {
        // The window only narrows.
        const auto [first, end] = window();
        i = std::max(i, first == 0 ? 0 : first - 1);
        last = std::min(last, end);
      }
    }
  }
  return true;
}

bool BestReadingPairs::raise_similarity(double floor, std::optional<double>& found) {
  const Sides sides = this->sides();
  for (std::size_t o = 0; o < sides.outer.size() && found != 1.0; ++o) {
    const Symbols one = sides.outer[o];
    if (sides.inner_trie && ReadingTrieSearch::fits(*sides.inner_trie, one)) {
      if (!search_.raise_similarity(*sides.inner_trie, one, floor, found, poll_)) return false;
      continue;
    }
    const CachedLevenshtein cached(one);
    const std::uint64_t b = one.size();
    // The distance is at least the difference of the lengths: longer
    // readings score at most 1 - (a - b) / a, which falls as a grows, and
    // shorter ones at most 1 - (b - a) / b, which grows with a. So the
    // readings that can reach a similarity form one run of lengths around b.
    const auto window = [&]() -> std::pair<std::size_t, std::size_t> {
      const double needed = found ? std::max(floor, *found) : floor;
      const auto reaches = [&](std::size_t i) {
        const std::uint64_t a = sides.inner[i].size();
        return similarity_from_distance(a > b ? a - b : b - a, a, b) >= needed;
      };
      const auto [shorter, longer] = sides.inner.lengths_between(b, b);
      std::size_t first = 0;  // the first shorter reading that reaches
      for (std::size_t end = shorter; first < end;) {
        const std::size_t mid = first + (end - first) / 2;
        if (reaches(mid)) {
          end = mid;
        } else {
          first = mid + 1;
        }
      }
      std::size_t last = longer;  // the first longer one that does not
      for (std::size_t end = sides.inner.size(); last < end;) {
        const std::size_t mid = last + (end - last) / 2;
        if (reaches(mid)) {
          last = mid + 1;
        } else {
          end = mid;
        }
      }
      return {first, last};
    };
    auto [i, last] = window();
    for (; i < last && found != 1.0; ++i) {
      const Symbols other = sides.inner[i];
      const std::uint64_t a = other.size();
      const double needed = found ? std::max(floor, *found) : floor;
      if (similarity_from_distance(a > b ? a - b : b - a, a, b) < needed) continue;
      if (poll_.stop_after(work_of(a, b))) return false;
      const bool share = (sides.inner.signature(i) & sides.outer.signature(o)) != 0;
      const auto distance = pair_distance(cached, other, share,
                                          largest_distance_for_similarity(needed, a, b), strings_);
      if (!distance) continue;
      const double similarity = similarity_from_distance(*distance, a, b);
      if (!found || similarity > *found) {
        found = similarity;
        const auto [first, end] = window();
        i = std::max(i, first == 0 ? 0 : first - 1);
        last = std::min(last, end);
      }
    }
  }
  return true;
}

}  // namespace lumra
