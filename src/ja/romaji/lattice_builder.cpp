#include "ja/romaji/lattice_builder.h"

#include <algorithm>
#include <array>
#include <limits>
#include <utility>

#include "ja/romaji/vowel_class.h"
#include "ja/text/next_char.h"

namespace lumra::ja {

namespace {

// Stands for the end node until finish() knows its number.
constexpr std::uint64_t kEndMarker = std::numeric_limits<std::uint64_t>::max();

struct FrontierEntry {
  std::uint64_t node;
  VowelClass last_vowel;
};

// How many vowel classes a set of them holds.
std::uint64_t class_count(unsigned classes) {
  std::uint64_t count = 0;
  for (; classes != 0; classes &= classes - 1) ++count;
  return count;
}

const VariantList& spellings_at(const std::optional<VariantList>& list, VowelClass last_vowel) {
  return list ? *list : long_vowel_variants(last_vowel);
}

}  // namespace

void RomajiLatticeBuilder::add_arc(std::uint64_t src, std::uint64_t dst, Symbol symbol) {
  if (src == 0 && dst == kEndMarker) {
    if (std::find(direct_symbols_.begin(), direct_symbols_.end(), symbol) !=
        direct_symbols_.end()) {
      return;
    }
    direct_symbols_.push_back(symbol);
  }
  arcs_.push_back({src, dst, symbol});
}

RomajiLatticeBuilder RomajiLatticeBuilder::counting() const {
  RomajiLatticeBuilder counter(max_nodes_);
  counter.next_node_ = next_node_;
  counter.counting_ = true;
  return counter;
}

RomajiLatticeBuilder RomajiLatticeBuilder::compact(std::uint64_t max_nodes) {
  RomajiLatticeBuilder builder(max_nodes);
  builder.compact_ = true;
  return builder;
}

Result<std::size_t, JapaneseDistanceError> RomajiLatticeBuilder::variant_lists_of(
    std::span<const RomajiUnit> units) {
  std::size_t same_units = 0;
  const std::size_t most = std::min(units.size(), previous_units_.size());
  while (same_units < most && units[same_units] == previous_units_[same_units]) ++same_units;
  previous_units_.assign(units.begin(), units.end());
  // A list depends on its units and on the unit after them.
  std::size_t kept = 0;
  while (kept < list_ends_.size() && list_ends_[kept] < same_units) ++kept;
  lists_.resize(kept);
  list_ends_.resize(kept);
  if (step_counts_.size() > kept) step_counts_.resize(kept);
  LUMRA_TRY(extend_unit_variant_lists(units, lists_, &list_ends_));
  return kept;
}

Status<JapaneseDistanceError> RomajiLatticeBuilder::add_units(std::span<const RomajiUnit> units) {
  const bool spelled_before = std::exchange(previous_spelled_, false);
  const bool resuming = counting_ || compact_;
  std::size_t same_lists = 0;
  if (resuming) {
    LUMRA_TRY_ASSIGN(same_lists, variant_lists_of(units));
  } else {
    LUMRA_TRY(fill_unit_variant_lists(units, lists_));
  }
  if (units.empty()) {
    has_empty_ = true;
    return Unit{};
  }
  const std::size_t arcs_before = arcs_.size();
  const std::size_t direct_before = direct_symbols_.size();
  const std::uint64_t nodes_before = next_node_;

  std::array<FrontierEntry, kVowelClassCount> frontier;
  std::size_t frontier_size = 1;
  frontier[0] = {0, VowelClass::None};
  // Steps whose lists are those of the previous add end as they did then.
  // The node count after a step only grows from step to step, so the
  // first step over the limit is among them exactly when the last is.
  const std::size_t first_step = resuming ? std::min(step_counts_.size(), lists_.size() - 1) : 0;
  if (first_step > 0) {
    const StepCount& resumed = step_counts_[first_step - 1];
    if (next_node_ + resumed.nodes >= max_nodes_) {
      std::size_t s = 0;
      while (next_node_ + step_counts_[s].nodes < max_nodes_) ++s;
      return Fail(JapaneseDistanceError(
          distance_errors::DistanceMatrix{{next_node_ + step_counts_[s].nodes + 1, 1, max_nodes_}}));
    }
    frontier_size = 0;
    for (std::size_t c = 0; c < kVowelClassCount; ++c) {
      // Node numbers are only read by a builder that writes arcs.
      if (resumed.classes >> c & 1) frontier[frontier_size++] = {0, static_cast<VowelClass>(c)};
    }
    next_node_ += resumed.nodes;
  }
  for (std::size_t step = first_step; step < lists_.size(); ++step) {
    const std::optional<VariantList>& list = lists_[step];
    const bool last = step + 1 == lists_.size();

    // First pass: how many interior nodes the chains need, and which classes
    // the step ends in, so that class nodes can be numbered after all
    // interior nodes.
    std::uint64_t interior_count = 0;
    unsigned classes_reached = 0;
    for (std::size_t f = 0; f < frontier_size; ++f) {
      for (const RomajiVariant& spelling : spellings_at(list, frontier[f].last_vowel)) {
        interior_count += spelling.chars() - 1;
        classes_reached |=
            1u << static_cast<unsigned>(vowel_class_after(frontier[f].last_vowel, spelling));
      }
    }
    std::uint64_t interior = next_node_;
    next_node_ += interior_count;
    const std::uint64_t classes = class_count(classes_reached);
    if (next_node_ + (last ? 0 : classes) >= max_nodes_ ||
        poll_.stop_after(interior_count + classes + 1)) {
      // The end node comes on top; node counts stay far below 2^64.
      const std::uint64_t reached = next_node_ + (last ? 0 : classes) + 1;
      arcs_.resize(arcs_before);
      direct_symbols_.resize(direct_before);
      next_node_ = nodes_before;
      return Fail(JapaneseDistanceError(
          distance_errors::DistanceMatrix{{reached, 1, max_nodes_}}));
    }
    if (resuming && !last && step == step_counts_.size()) {
      step_counts_.push_back(
          {next_node_ + classes - nodes_before, static_cast<std::uint8_t>(classes_reached)});
    }
    std::array<std::uint64_t, kVowelClassCount> class_node{};
    std::array<FrontierEntry, kVowelClassCount> next_frontier;
    std::size_t next_frontier_size = 0;
    if (!last) {
      for (std::size_t c = 0; c < kVowelClassCount; ++c) {
        if ((classes_reached >> c & 1) == 0) continue;
        class_node[c] = next_node_++;
        next_frontier[next_frontier_size++] = {class_node[c], static_cast<VowelClass>(c)};
      }
    }

    // Second pass: the chains, in item order.
    for (std::size_t f = 0; f < frontier_size && !counting_ && !compact_; ++f) {
      for (const RomajiVariant& spelling : spellings_at(list, frontier[f].last_vowel)) {
        const VowelClass reached = vowel_class_after(frontier[f].last_vowel, spelling);
        const std::uint64_t target =
            last ? kEndMarker : class_node[static_cast<std::size_t>(reached)];
        const std::string_view text = spelling.text();
        std::uint64_t src = frontier[f].node;
        for (std::size_t at = 0; at < text.size();) {
          const NextChar c = next_char(text, at);
          at += c.size;
          const std::uint64_t dst = at == text.size() ? target : interior++;
          add_arc(src, dst, c.value);
          src = dst;
        }
      }
    }
    frontier = next_frontier;
    frontier_size = next_frontier_size;
  }
  if (compact_) {
    spellings_.add(lists_, spelled_before ? same_lists : 0);
    previous_spelled_ = true;
  }
  has_non_empty_ = true;
  return Unit{};
}

Result<std::optional<PathLattice>, JapaneseDistanceError> RomajiLatticeBuilder::finish() {
  previous_spelled_ = false;  // the trie is emptied below
  const bool has_empty = std::exchange(has_empty_, false);
  const bool has_non_empty = std::exchange(has_non_empty_, false);
  const std::uint64_t end = std::exchange(next_node_, 1);
  std::vector<LatticeArc> arcs = std::move(arcs_);
  arcs_.clear();
  direct_symbols_.clear();
  built_nodes_ = 0;
  if (!has_empty && !has_non_empty) return std::optional<PathLattice>();
  if (!has_non_empty) {
    built_nodes_ = 1;
    return std::optional<PathLattice>(PathLattice::empty_string());
  }
  if (has_empty) {
    if (compact_) spellings_ = SpellingTrie();
    return Fail(JapaneseDistanceError(
        distance_errors::Lattice{lattice_errors::MixedEmptyAndNonEmptyPaths{}}));
  }
  built_nodes_ = end + 1;
  if (compact_) {
    auto spelled = spellings_.take_lattice();
    if (!spelled.ok()) {
      return Fail(JapaneseDistanceError(distance_errors::Lattice{spelled.take_error()}));
    }
    return std::optional<PathLattice>(std::move(spelled).value());
  }
  for (LatticeArc& arc : arcs) {
    if (arc.dst == kEndMarker) arc.dst = end;
  }
  auto lattice = PathLattice::from_arcs(end + 1, 0, end, std::move(arcs));
  if (!lattice.ok()) {
    return Fail(JapaneseDistanceError(distance_errors::Lattice{lattice.take_error()}));
  }
  return std::optional<PathLattice>(std::move(lattice).value());
}

}  // namespace lumra::ja
