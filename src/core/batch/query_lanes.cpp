#include "core/batch/query_lanes.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "core/base/cutoff.h"
#include "core/strings/levenshtein.h"
#include "core/strings/osa.h"
#include "core/batch/levenshtein_lanes.h"
#include "core/strings/internal/pattern_match.h"
#include "core/strings/string_metrics.h"

namespace lumra::internal {

namespace {

constexpr std::size_t kRowBytes = 32;  // one 256-bit register of lanes

}  // namespace

// The match masks of one block: per symbol, a row of every lane's mask.
class QueryBlockTables {
 public:
  template <class T>
  void assign(std::span<const Symbols> queries) {
    std::memset(direct_, 0, sizeof direct_);
    if (has_wide_) std::memset(keys_, 0, sizeof keys_);
    has_wide_ = false;
    for (std::size_t lane = 0; lane < queries.size(); ++lane) {
      const Symbols query = queries[lane];
      for (std::size_t i = 0; i < query.size(); ++i) {
        const Symbol c = query[i];
        unsigned char* row = c < kDirect ? direct_[c] : claim_wide(c);
        T mask;
        std::memcpy(&mask, row + lane * sizeof(T), sizeof(T));
        mask = static_cast<T>(mask | (T{1} << i));
        std::memcpy(row + lane * sizeof(T), &mask, sizeof(T));
      }
    }
  }

  const unsigned char* row(Symbol c) const {
    if (c < kDirect) return direct_[c];
    return has_wide_ ? wide_row(c) : zeros_;
  }

 private:
  static constexpr std::size_t kDirect = 256;
  // A block holds at most 256 query symbols (lanes times lane width), so
  // twice that many slots keep every probe short and always reach a free one.
  static constexpr unsigned kWideBits = 9;
  static constexpr std::size_t kWideSlots = std::size_t{1} << kWideBits;

  unsigned char* claim_wide(Symbol c) {
    has_wide_ = true;
    std::size_t slot = slot_of(c, kWideBits);
    // Wide symbols are never below 256, so key 0 marks a free slot.
    while (keys_[slot] != 0 && keys_[slot] != c) slot = (slot + 1) & (kWideSlots - 1);
    if (keys_[slot] == 0) {
      keys_[slot] = c;
      std::memset(wide_[slot], 0, kRowBytes);
    }
    return wide_[slot];
  }

  const unsigned char* wide_row(Symbol c) const {
    std::size_t slot = slot_of(c, kWideBits);
    while (keys_[slot] != 0) {
      if (keys_[slot] == c) return wide_[slot];
      slot = (slot + 1) & (kWideSlots - 1);
    }
    return zeros_;
  }

  alignas(32) unsigned char direct_[kDirect][kRowBytes];
  alignas(32) unsigned char wide_[kWideSlots][kRowBytes];
  alignas(32) unsigned char zeros_[kRowBytes] = {};
  Symbol keys_[kWideSlots] = {};
  bool has_wide_ = false;
};

QueryBlockScratch::QueryBlockScratch() : tables(std::make_unique<QueryBlockTables>()) {}
QueryBlockScratch::~QueryBlockScratch() = default;

std::size_t lanes_for_length(std::size_t length) {
  if (length <= 8) return 32;
  if (length <= 16) return 16;
  if (length <= 32) return 8;
  return 4;
}

namespace {

template <class T>
struct LaneVector {
  typedef T type __attribute__((vector_size(kRowBytes)));
};

struct BlockJob {
  LaneMetric metric;
  std::span<const Symbols> queries;
  const TextTableView* choices;
  std::uint64_t* const* rows;
  const QueryBlockTables* tables;
  StringWorkspace* workspace;
  // Integer cutoff rule: a distance above `bound` is reported as
  // `exceeded`. Without a cutoff the bound is the largest value, which no
  // distance exceeds.
  std::uint64_t bound;
  std::uint64_t exceeded;
};

// The column step of the one-word bit-parallel Levenshtein kernel, in every
// lane at once, and with kTranspositions the restricted Damerau one, whose
// transpositions are one more source of diagonal zeros (osa_bit_parallel.cpp).
// Shifts by one are additions of a lane to itself, which stay within the
// lane. Compiled twice, for AVX2 and for the baseline instruction set (where
// the compiler splits each 256-bit operation in two), from this one body, so
// both forms compute the same thing.
template <class T, bool kTranspositions>
[[gnu::always_inline]] inline void run_block(const BlockJob& job) {
  using V = typename LaneVector<T>::type;
  constexpr std::size_t kLanes = kRowBytes / sizeof(T);
  const std::size_t count = job.queries.size();
  alignas(32) T first_score[kLanes] = {};
  alignas(32) T last_bit[kLanes] = {};
  for (std::size_t l = 0; l < count; ++l) {
    const std::size_t length = job.queries[l].size();
    first_score[l] = static_cast<T>(length);
    // An empty query has no row to watch; its cells are filled below.
    last_bit[l] = length == 0 ? T{0} : static_cast<T>(T{1} << (length - 1));
  }
  // Local copies: the stores into the rows could otherwise alias them.
  std::uint64_t* rows[kLanes];
  bool empty[kLanes];
  for (std::size_t l = 0; l < count; ++l) {
    rows[l] = job.rows[l];
    empty[l] = job.queries[l].empty();
  }
  const std::uint64_t bound = job.bound;
  const std::uint64_t exceeded = job.exceeded;
  const auto report = [&](std::uint64_t distance) { return distance <= bound ? distance : exceeded; };
  V start, last;
  std::memcpy(&start, first_score, kRowBytes);
  std::memcpy(&last, last_bit, kRowBytes);
  const V zero = {};
  // A lane's score stays within [0, max(query, choice length)], so it is
  // exact in T as long as the choice's length fits T.
  constexpr std::uint64_t kLongest = std::numeric_limits<T>::max();
  const QueryBlockTables& tables = *job.tables;
  TextTableView choices = *job.choices;
  const std::size_t choice_count = choices.size();
  for (std::size_t c = 0; c < choice_count; ++c) {
    const Symbols text = choices[c];
    if (text.size() > kLongest) {
      for (std::size_t l = 0; l < count; ++l) {
        rows[l][c] = report(kTranspositions ? osa_distance(job.queries[l], text, *job.workspace)
                                            : levenshtein(job.queries[l], text, *job.workspace));
      }
      continue;
    }
    V vp = ~zero;
    V vn = zero;
    V score = start;
    V previous_eq = zero;  // no transposition into the first column
    V d0 = zero;
    for (const Symbol s : text) {
      V eq;
      std::memcpy(&eq, tables.row(s), kRowBytes);
      V x = eq | vn;
      if constexpr (kTranspositions) {
        const V crossing = ~d0 & eq;
        x |= (crossing + crossing) & previous_eq;
        previous_eq = eq;
      }
      d0 = (((x & vp) + vp) ^ vp) | x;
      V hp = vn | ~(d0 | vp);
      V hn = d0 & vp;
      // A comparison sets a lane to all ones (-1) where it holds.
      score = score - reinterpret_cast<V>((hp & last) != zero) +
              reinterpret_cast<V>((hn & last) != zero);
      hp = (hp + hp) | 1;
      hn = hn + hn;
      vp = hn | ~(d0 | hp);
      vn = hp & d0;
    }
    alignas(32) T result[kLanes];
    std::memcpy(result, &score, kRowBytes);
    for (std::size_t l = 0; l < count; ++l) {
      rows[l][c] = report(empty[l] ? text.size() : result[l]);
    }
  }
}

template <class T>
void block_portable(const BlockJob& job) {
  if (job.metric == LaneMetric::kOsa) {
    run_block<T, true>(job);
  } else {
    run_block<T, false>(job);
  }
}

#if defined(__x86_64__)
template <class T>
__attribute__((target("avx2"))) void block_avx2(const BlockJob& job) {
  if (job.metric == LaneMetric::kOsa) {
    run_block<T, true>(job);
  } else {
    run_block<T, false>(job);
  }
}
#else
template <class T>
void block_avx2(const BlockJob& job) {
  block_portable<T>(job);
}
#endif

template <class T>
void run_width(const BlockJob& job, QueryBlockTables& tables, LaneCode code) {
  tables.assign<T>(job.queries);
  // Without the instructions, a request for the vector form runs the other.
  const bool avx2 = code != LaneCode::kPortable && avx2_available();
  if (avx2) {
    block_avx2<T>(job);
  } else {
    block_portable<T>(job);
  }
}

}  // namespace

void query_block_distances(LaneMetric metric, std::span<const Symbols> queries,
                           TextTableView choices, std::uint64_t* const* rows,
                           QueryBlockScratch& scratch, std::optional<std::uint64_t> cutoff,
                           LaneCode code) {
  const std::uint64_t bound = cutoff ? *cutoff : std::numeric_limits<std::uint64_t>::max();
  const std::uint64_t exceeded = exceeded_cutoff(bound);
  std::size_t longest = 0;
  for (const Symbols q : queries) longest = std::max(longest, q.size());
  // A query too long for any lane is compared on its own.
  if (longest > kLaneQueryMaxLength) {
    for (std::size_t l = 0; l < queries.size(); ++l) {
      for (std::size_t c = 0; c < choices.size(); ++c) {
        rows[l][c] = metric == LaneMetric::kOsa
                         ? osa_with_cutoff(queries[l], choices[c], cutoff, scratch.workspace)
                         : levenshtein_with_cutoff(queries[l], choices[c], cutoff, scratch.workspace);
      }
    }
    return;
  }
  // More queries than lanes are taken a block at a time.
  const std::size_t lanes = lanes_for_length(longest);
  for (std::size_t start = 0; start < queries.size(); start += lanes) {
    const std::size_t count = std::min(lanes, queries.size() - start);
    const BlockJob job{metric, queries.subspan(start, count), &choices, rows + start,
                       scratch.tables.get(), &scratch.workspace, bound, exceeded};
    QueryBlockTables& tables = *scratch.tables;
    if (longest <= 8) {
      run_width<std::uint8_t>(job, tables, code);
    } else if (longest <= 16) {
      run_width<std::uint16_t>(job, tables, code);
    } else if (longest <= 32) {
      run_width<std::uint32_t>(job, tables, code);
    } else {
      run_width<std::uint64_t>(job, tables, code);
    }
  }
}

}  // namespace lumra::internal
