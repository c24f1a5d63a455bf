#include "ja/reading/reading_text_speller.h"

#include <algorithm>
#include <array>
#include <bit>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <string_view>
#include <vector>

#include "core/base/interruption.h"
#include "core/base/utf8.h"
#include "core/segmentation/compact_tail_lattice.h"
#include "ja/romaji/spelling_trie.h"
#include "ja/romaji/split_units.h"
#include "ja/romaji/variant_lists.h"
#include "ja/romaji/vowel_class.h"

namespace lumra::ja {

namespace {

constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();
// The label of an arc that reads a character into the pending ones and
// gives no list yet.
constexpr std::uint32_t kEpsilon = kNone;

// Characters read but not yet split into units. A unit and its spellings
// are settled once three characters from its start are known (a unit takes
// at most two, and a small tsu or an ASCII consonant looks at the unit
// after it, which the character after that settles), so at most two wait.
struct Pending {
  std::array<char32_t, 3> chars{};
  std::uint8_t size = 0;

  bool operator==(const Pending&) const = default;
  Pending plus(char32_t c) const {
    Pending out = *this;
    out.chars[out.size++] = c;
    return out;
  }
  Pending without_first(std::size_t n) const {
    Pending out;
    for (std::size_t k = n; k < size; ++k) out.chars[out.size++] = chars[k];
    return out;
  }
  // Distinct for distinct windows: a character plus one fits in 21 bits,
  // and a missing one is 0.
  std::uint64_t key() const {
    std::uint64_t key = 0;
    for (std::size_t k = 0; k < size; ++k) key |= (std::uint64_t{chars[k]} + 1) << (21 * k);
    return key;
  }
};

// The first unit of a window of characters and its variant list, as the
// whole text's splitting gives them when the window holds three characters
// or reaches the text's end.
struct FirstUnit {
  bool spells;             // false: the text cannot be spelled
  std::uint32_t list;      // its number in the spelling trie
  std::uint8_t consumed;   // characters it takes
};

// What a window settles, before its list is numbered by a spelling trie:
// the same for every text, so it outlives one speller.
struct SettledUnit {
  bool spells;
  std::uint8_t consumed;
  std::optional<VariantList> list;
  // The list's number in the spelling trie of run `numbered_in`
  // (SettledUnits::next_run()), for the run that meets the window again.
  std::uint64_t numbered_in = 0;
  std::uint32_t number = 0;
};

// The windows settled by this thread's spellers, by Pending::key() (never
// 0). The readings of one dictionary keep meeting the same few thousand
// windows, and splitting and listing one is worth a few hundred lookups.
// Bounded: a full table is emptied, which costs only work done again.
class SettledUnits {
 public:
  static SettledUnits& of_this_thread() {
    thread_local SettledUnits units;
    return units;
  }

  // A number for a run of a speller that no earlier run of this thread had.
  std::uint64_t next_run() { return ++runs_; }

  SettledUnit* find(std::uint64_t key) {
    for (std::size_t slot = first_slot(key);; slot = (slot + 1) & kMask) {
      if (keys_[slot] == key) return &units_[slot];
      if (keys_[slot] == 0) return nullptr;
    }
  }

  SettledUnit& add(std::uint64_t key, SettledUnit unit) {
    if (2 * (count_ + 1) > kSlots) {
      std::ranges::fill(keys_, 0);
      count_ = 0;
    }
    std::size_t slot = first_slot(key);
    while (keys_[slot] != 0) slot = (slot + 1) & kMask;
    keys_[slot] = key;
    units_[slot] = std::move(unit);
    ++count_;
    return units_[slot];
  }

 private:
  static constexpr std::size_t kSlots = std::size_t{1} << 13;
  static constexpr std::size_t kMask = kSlots - 1;
  static std::size_t first_slot(std::uint64_t key) {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 40) & kMask;
  }

  std::vector<std::uint64_t> keys_ = std::vector<std::uint64_t>(kSlots, 0);
  std::vector<SettledUnit> units_ = std::vector<SettledUnit>(kSlots);
  std::size_t count_ = 0;
  std::uint64_t runs_ = 0;
};

// The sets of vowel classes with which prefixes reach a node, and how many
// prefixes reach it with each.
struct ClassCounts {
  static constexpr std::size_t kCapacity = 8;
  std::uint8_t size = 0;
  std::array<std::uint8_t, kCapacity> sets{};
  std::array<std::uint64_t, kCapacity> counts{};

  // False when the node would hold more sets than it has room for.
  bool add(std::uint8_t set, std::uint64_t count) {
    for (std::size_t k = 0; k < size; ++k) {
      if (sets[k] == set) {
        counts[k] = saturating_add(counts[k], count);
        return true;
      }
    }
    if (size == kCapacity) return false;
    sets[size] = set;
    counts[size++] = count;
    return true;
  }

  static std::uint64_t saturating_add(std::uint64_t a, std::uint64_t b) {
    return a > std::numeric_limits<std::uint64_t>::max() - b ? std::numeric_limits<std::uint64_t>::max()
                                                             : a + b;
  }
};

std::uint64_t saturating_mul(std::uint64_t a, std::uint64_t b) {
  if (a != 0 && b > std::numeric_limits<std::uint64_t>::max() / a) {
    return std::numeric_limits<std::uint64_t>::max();
  }
  return a * b;
}

// The most subset states the determinization may make, far above what a
// text's reading texts need; past it the builder answers instead.
constexpr std::size_t kMaxSubsetMembers = std::size_t{1} << 20;

// The fewest kana nodes the texts' own lattice may have before the builder
// is left to answer.
constexpr std::uint64_t kMinKanaNodes = 4096;

class Speller {
 public:
  // Spells the texts of `kana`, reusing what the last run left behind.
  std::optional<SpelledReadingTexts> run(const PathLattice& kana, std::uint64_t max_nodes);

  // The bytes the speller holds on to between runs.
  std::size_t footprint() const;

 private:
  struct Edge {
    std::uint32_t list;  // kEpsilon for a character only read
    std::uint32_t target;
  };
  struct Span {
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
  };
  // A pair (kana node, pending characters) of the unit graph.
  struct State {
    Pending pending;
    std::uint32_t next_at_node;  // the next state of the same kana node
    std::uint32_t node;          // its node in the unit graph
  };

  std::uint32_t fresh_node() {
    spans_.push_back({});
    return static_cast<std::uint32_t>(spans_.size() - 1);
  }
  std::uint32_t state_at(std::uint64_t kana_node, const Pending& pending);
  FirstUnit first_unit(const Pending& window);
  SettledUnit settle(const Pending& window);
  bool build_unit_graph();
  bool count_built_nodes(std::uint64_t& end);
  bool determinize(std::vector<std::uint32_t>& first_edge,
                   std::vector<SpellingTrie::ListEdge>& edges, std::vector<char>& ends);
  void close(std::vector<std::uint32_t>& set);

  void begin(const PathLattice& kana);

  const PathLattice* kana_ = nullptr;
  SettledUnits* settled_ = nullptr;
  SpellingTrie trie_;
  std::uint64_t run_ = 0;  // SettledUnits::next_run() of this run
  UnitVariantLists lists_;
  std::vector<std::uint32_t> state_heads_;  // per kana node
  std::vector<State> states_;
  // The unit graph: its nodes' edges, and its nodes in an order where every
  // edge leads forward.
  std::vector<Span> spans_;
  std::vector<Edge> edges_;
  std::vector<std::uint32_t> order_;
  std::uint32_t start_ = 0;
  std::uint32_t accept_ = 0;
  // Per node, how many ways lead from it to the accepting node.
  std::vector<std::uint64_t> completions_;
  std::vector<std::uint32_t> marks_;
  std::uint32_t mark_ = 0;
  InterruptionPoll poll_;
  // Buffers of the steps, kept from run to run.
  std::vector<std::uint32_t> chain_;
  std::vector<ClassCounts> reaching_;
  std::vector<std::uint32_t> members_;
  std::vector<std::uint32_t> member_starts_;
  std::vector<std::pair<std::uint64_t, std::uint32_t>> hashed_;
  std::vector<std::uint32_t> hashed_slots_;
  std::vector<std::uint32_t> single_;
  std::vector<std::uint32_t> set_;
  std::vector<Span> out_spans_;
  std::vector<SpellingTrie::ListEdge> out_edges_;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> moves_;
  std::vector<std::uint32_t> indegree_;
  std::vector<std::uint32_t> sorted_;
  std::vector<std::uint32_t> renumbered_;
  std::vector<char> sorted_ends_;
  std::vector<std::uint32_t> first_edge_;
  std::vector<SpellingTrie::ListEdge> graph_edges_;
  std::vector<char> ends_;
};

template <class T>
std::size_t capacity_bytes(const std::vector<T>& v) {
  return v.capacity() * sizeof(T);
}

std::size_t Speller::footprint() const {
  return trie_.footprint() + capacity_bytes(lists_) +
         capacity_bytes(state_heads_) + capacity_bytes(states_) + capacity_bytes(spans_) +
         capacity_bytes(edges_) + capacity_bytes(order_) + capacity_bytes(completions_) +
         capacity_bytes(marks_) + capacity_bytes(chain_) + capacity_bytes(reaching_) +
         capacity_bytes(members_) + capacity_bytes(member_starts_) + capacity_bytes(hashed_) +
         capacity_bytes(hashed_slots_) + capacity_bytes(single_) + capacity_bytes(set_) +
         capacity_bytes(out_spans_) + capacity_bytes(out_edges_) + capacity_bytes(moves_) +
         capacity_bytes(indegree_) + capacity_bytes(sorted_) + capacity_bytes(renumbered_) +
         capacity_bytes(sorted_ends_) + capacity_bytes(first_edge_) + capacity_bytes(graph_edges_) +
         capacity_bytes(ends_);
}

void Speller::begin(const PathLattice& kana) {
  kana_ = &kana;
  settled_ = &SettledUnits::of_this_thread();
  trie_.clear();
  run_ = settled_->next_run();
  states_.clear();
  spans_.clear();
  edges_.clear();
  order_.clear();
  start_ = 0;
  accept_ = 0;
  mark_ = 0;
  poll_ = InterruptionPoll();
}

std::uint32_t Speller::state_at(std::uint64_t kana_node, const Pending& pending) {
  for (std::uint32_t s = state_heads_[kana_node]; s != kNone; s = states_[s].next_at_node) {
    if (states_[s].pending == pending) return states_[s].node;
  }
  const std::uint32_t node = fresh_node();
  states_.push_back({pending, state_heads_[kana_node], node});
  state_heads_[kana_node] = static_cast<std::uint32_t>(states_.size() - 1);
  return node;
}

FirstUnit Speller::first_unit(const Pending& window) {
  const std::uint64_t key = window.key();
  SettledUnit* unit = settled_->find(key);
  if (unit == nullptr) unit = &settled_->add(key, settle(window));
  if (!unit->spells) return {false, 0, 0};
  if (unit->numbered_in != run_) {
    unit->number = trie_.list_number(unit->list);
    unit->numbered_in = run_;
  }
  return {true, unit->number, unit->consumed};
}

SettledUnit Speller::settle(const Pending& window) {
  const SettledUnit out{false, 0, std::nullopt};
  char buffer[3 * 4];
  std::size_t size = 0;
  for (std::size_t k = 0; k < window.size; ++k) size += encode_char(window.chars[k], buffer + size);
  const std::string_view bytes(buffer, size);
  std::array<RomajiUnit, 2> units;
  const UnitAt first = romaji_unit_at(bytes, 0, false);
  if (!first.ok) return out;
  units[0] = first.unit;
  std::size_t count = 1;
  std::size_t chars = first.chars;
  // A one-character unit may read the unit after it, which then starts
  // early enough in the window to be settled; any unit the window settles
  // lies on every text through it, so its failure fails them all.
  if (first.chars == 1 && first.end < bytes.size()) {
    const UnitAt second = romaji_unit_at(bytes, first.end, false);
    if (!second.ok) return out;
    units[1] = second.unit;
    chars += second.chars;
    ++count;
  }
  if (!fill_unit_variant_lists(std::span(units.data(), count), lists_).ok()) return out;
  const bool combined = count == 2 && lists_.size() == 1;
  return {true, static_cast<std::uint8_t>(combined ? chars : first.chars), lists_[0]};
}

bool Speller::build_unit_graph() {
  state_heads_.assign(kana_->node_count(), kNone);
  // Most kana nodes are reached with one or two sets of pending characters.
  states_.reserve(2 * kana_->node_count());
  spans_.reserve(2 * kana_->node_count() + 1);
  order_.reserve(2 * kana_->node_count() + 1);
  edges_.reserve(2 * kana_->arcs().size());
  accept_ = fresh_node();
  start_ = state_at(kana_->start(), Pending{});
  std::vector<std::uint32_t>& chain = chain_;
  for (std::uint64_t v = 0; v < kana_->node_count(); ++v) {
    if (poll_.stop_after(16 * (kana_->outgoing(v).size() + 1))) return false;
    for (std::uint32_t s = state_heads_[v]; s != kNone; s = states_[s].next_at_node) {
      const std::uint32_t node = states_[s].node;
      const Pending pending = states_[s].pending;
      order_.push_back(node);
      spans_[node].begin = static_cast<std::uint32_t>(edges_.size());
      if (v == kana_->end()) {
        // The text ends: what waits is split to the end, each unit's list
        // an edge of a chain that ends accepted.
        chain.clear();
        Pending rest = pending;
        bool spells = true;
        while (rest.size > 0 && spells) {
          const FirstUnit unit = first_unit(rest);
          spells = unit.spells;
          chain.push_back(unit.list);
          rest = rest.without_first(unit.consumed);
        }
        if (!spells || chain.empty()) {
          spans_[node].end = spans_[node].begin;
          continue;
        }
        std::uint32_t from = node;
        for (std::size_t k = 0; k < chain.size(); ++k) {
          const std::uint32_t to = k + 1 == chain.size() ? accept_ : fresh_node();
          edges_.push_back({chain[k], to});
          spans_[from].end = static_cast<std::uint32_t>(edges_.size());
          if (to != accept_) {
            order_.push_back(to);
            spans_[to].begin = static_cast<std::uint32_t>(edges_.size());
          }
          from = to;
        }
        continue;
      }
      for (const ArcIndex a : kana_->outgoing(v)) {
        const LatticeArc& arc = kana_->arc(a);
        const Pending read = pending.plus(static_cast<char32_t>(arc.symbol));
        if (read.size < 3) {
          edges_.push_back({kEpsilon, state_at(arc.dst, read)});
          continue;
        }
        const FirstUnit unit = first_unit(read);
        if (!unit.spells) continue;
        edges_.push_back({unit.list, state_at(arc.dst, read.without_first(unit.consumed))});
      }
      spans_[node].end = static_cast<std::uint32_t>(edges_.size());
    }
  }
  order_.push_back(accept_);
  return true;
}

// The number of classes in each set of vowel classes, looked up: built for
// any x86-64, std::popcount is a call into the runtime.
constexpr auto kClassSetSizes = [] {
  std::array<std::uint8_t, std::size_t{1} << kVowelClassCount> sizes{};
  for (std::size_t set = 0; set < sizes.size(); ++set) {
    sizes[set] = static_cast<std::uint8_t>(std::popcount(set));
  }
  return sizes;
}();

// The builder adds each text as a chain of steps, one per list: a step
// from the set of vowel classes its prefix can end in writes a node inside
// every spelling of more than one character, and then, unless it is the
// text's last, one node per class it can end in. Summed over the texts
// that spell, that is the builder's node count less its start and end.
bool Speller::count_built_nodes(std::uint64_t& end) {
  completions_.assign(spans_.size(), 0);
  completions_[accept_] = 1;
  for (std::size_t k = order_.size(); k-- > 0;) {
    const std::uint32_t node = order_[k];
    std::uint64_t ways = completions_[node];
    for (std::uint32_t e = spans_[node].begin; e < spans_[node].end; ++e) {
      ways = ClassCounts::saturating_add(ways, completions_[edges_[e].target]);
    }
    completions_[node] = ways;
  }
  std::vector<ClassCounts>& reaching = reaching_;
  reaching.assign(spans_.size(), ClassCounts{});
  reaching[start_].add(1u << static_cast<unsigned>(VowelClass::None), 1);
  std::uint64_t total = 0;
  for (const std::uint32_t node : order_) {
    if (completions_[node] == 0) continue;
    const ClassCounts& here = reaching[node];
    for (std::uint32_t e = spans_[node].begin; e < spans_[node].end; ++e) {
      const Edge& edge = edges_[e];
      const std::uint64_t ways = completions_[edge.target];
      if (ways == 0) continue;
      for (std::size_t k = 0; k < here.size; ++k) {
        std::uint8_t set = here.sets[k];
        const std::uint64_t prefixes = here.counts[k];
        if (edge.list != kEpsilon) {
          std::uint64_t interior = 0;
          unsigned after = 0;
          for (std::size_t c = 0; c < kVowelClassCount; ++c) {
            if ((set >> c & 1) == 0) continue;
            const auto last = static_cast<VowelClass>(c);
            const VariantList& spellings =
                edge.list == 0 ? long_vowel_variants(last) : trie_.numbered_list(edge.list);
            for (const RomajiVariant& spelling : spellings) {
              interior += spelling.chars() - 1;
              after |= 1u << static_cast<unsigned>(vowel_class_after(last, spelling));
            }
          }
          const std::uint64_t classes =
              edge.target == accept_ ? 0 : std::uint64_t{kClassSetSizes[after]};
          total = ClassCounts::saturating_add(
              total, saturating_mul(saturating_mul(prefixes, ways), interior + classes));
          set = static_cast<std::uint8_t>(after);
        }
        if (!reaching[edge.target].add(set, prefixes)) return false;
      }
    }
  }
  end = ClassCounts::saturating_add(total, 1);
  return true;
}

// Adds to `set` every live node its members reach by edges that give no
// list; leaves it sorted.
void Speller::close(std::vector<std::uint32_t>& set) {
  ++mark_;
  for (const std::uint32_t node : set) marks_[node] = mark_;
  for (std::size_t k = 0; k < set.size(); ++k) {
    const Span span = spans_[set[k]];
    for (std::uint32_t e = span.begin; e < span.end; ++e) {
      const Edge& edge = edges_[e];
      if (edge.list != kEpsilon || completions_[edge.target] == 0) continue;
      if (marks_[edge.target] == mark_) continue;
      marks_[edge.target] = mark_;
      set.push_back(edge.target);
    }
  }
  std::sort(set.begin(), set.end());
}

// The unit graph made deterministic by subsets of its live nodes, and
// numbered so that every edge leads to a higher node.
bool Speller::determinize(std::vector<std::uint32_t>& first_edge,
                          std::vector<SpellingTrie::ListEdge>& edges, std::vector<char>& ends) {
  marks_.assign(spans_.size(), 0);
  std::vector<std::uint32_t>& members = members_;
  std::vector<std::uint32_t>& member_starts = member_starts_;
  members.clear();
  member_starts.assign(1, 0);
  members.reserve(2 * order_.size());
  member_starts.reserve(order_.size() + 1);
  auto subset = [&](std::uint32_t s) {
    return std::span(members.data() + member_starts[s], member_starts[s + 1] - member_starts[s]);
  };
  // Subsets of more than one node, as (hash, subset), found by hash through
  // open addressing: an index into them + 1, 0 free.
  std::vector<std::pair<std::uint64_t, std::uint32_t>>& hashed = hashed_;
  std::vector<std::uint32_t>& hashed_slots = hashed_slots_;
  hashed.clear();
  hashed_slots.assign(64, 0);
  auto first_slot = [](std::uint64_t h, std::size_t mask) { return (h >> 32 ^ h) & mask; };
  auto slot_of = [&](std::uint64_t h, std::span<const std::uint32_t> set) -> std::uint32_t& {
    const std::size_t mask = hashed_slots.size() - 1;
    std::size_t slot = first_slot(h, mask);
    for (; hashed_slots[slot] != 0; slot = (slot + 1) & mask) {
      const auto& [known, s] = hashed[hashed_slots[slot] - 1];
      if (known == h && std::ranges::equal(subset(s), set)) break;
    }
    return hashed_slots[slot];
  };
  auto hash_of = [](std::span<const std::uint32_t> set) {
    std::uint64_t h = 0x9E3779B97F4A7C15ull;
    for (const std::uint32_t node : set) h = (h ^ node) * 0xBF58476D1CE4E5B9ull;
    return h;
  };
  // Most subsets are a single node, found without hashing.
  std::vector<std::uint32_t>& single = single_;
  single.assign(spans_.size(), kNone);
  auto number = [&](const std::vector<std::uint32_t>& set) -> std::uint32_t {
    const auto next = static_cast<std::uint32_t>(member_starts.size() - 1);
    if (set.size() == 1) {
      if (single[set[0]] != kNone) return single[set[0]];
      single[set[0]] = next;
      members.push_back(set[0]);
      member_starts.push_back(static_cast<std::uint32_t>(members.size()));
      return next;
    }
    const std::uint64_t h = hash_of(set);
    std::uint32_t* slot = &slot_of(h, set);
    if (*slot != 0) return hashed[*slot - 1].second;
    if (2 * (hashed.size() + 1) > hashed_slots.size()) {
      hashed_slots.assign(2 * hashed_slots.size(), 0);
      const std::size_t mask = hashed_slots.size() - 1;
      for (std::uint32_t k = 0; k < hashed.size(); ++k) {
        std::size_t to = first_slot(hashed[k].first, mask);
        while (hashed_slots[to] != 0) to = (to + 1) & mask;
        hashed_slots[to] = k + 1;
      }
      slot = &slot_of(h, set);
    }
    members.insert(members.end(), set.begin(), set.end());
    member_starts.push_back(static_cast<std::uint32_t>(members.size()));
    hashed.emplace_back(h, next);
    *slot = static_cast<std::uint32_t>(hashed.size());
    return next;
  };

  std::vector<std::uint32_t>& set = set_;
  set.assign(1, start_);
  close(set);
  number(set);
  // Per subset, its edges (list, subset) in list order.
  std::vector<Span>& out_spans = out_spans_;
  std::vector<SpellingTrie::ListEdge>& out_edges = out_edges_;
  std::vector<std::pair<std::uint32_t, std::uint32_t>>& moves = moves_;
  out_spans.clear();
  out_edges.clear();
  for (std::uint32_t s = 0; s + 1 < member_starts.size(); ++s) {
    if (members.size() > kMaxSubsetMembers || poll_.stop_after(16 * subset(s).size())) {
      return false;
    }
    moves.clear();
    bool accepts = false;
    for (const std::uint32_t node : subset(s)) {
      accepts = accepts || node == accept_;
      for (std::uint32_t e = spans_[node].begin; e < spans_[node].end; ++e) {
        const Edge& edge = edges_[e];
        if (edge.list == kEpsilon || completions_[edge.target] == 0) continue;
        moves.emplace_back(edge.list, edge.target);
      }
    }
    std::sort(moves.begin(), moves.end());
    out_spans.push_back({static_cast<std::uint32_t>(out_edges.size()), 0});
    ends.push_back(accepts ? 1 : 0);
    for (std::size_t k = 0; k < moves.size();) {
      const std::uint32_t list = moves[k].first;
      set.clear();
      for (; k < moves.size() && moves[k].first == list; ++k) {
        if (set.empty() || set.back() != moves[k].second) set.push_back(moves[k].second);
      }
      close(set);
      out_edges.push_back({list, number(set)});
    }
    out_spans.back().end = static_cast<std::uint32_t>(out_edges.size());
  }

  // Sources before targets (the graph has no cycle), the start first.
  const std::size_t n = out_spans.size();
  std::vector<std::uint32_t>& indegree = indegree_;
  indegree.assign(n, 0);
  for (const SpellingTrie::ListEdge& edge : out_edges) ++indegree[edge.target];
  std::vector<std::uint32_t>& sorted = sorted_;
  sorted.assign(1, 0);
  sorted.reserve(n);
  for (std::size_t k = 0; k < sorted.size(); ++k) {
    const Span span = out_spans[sorted[k]];
    for (std::uint32_t e = span.begin; e < span.end; ++e) {
      if (--indegree[out_edges[e].target] == 0) sorted.push_back(out_edges[e].target);
    }
  }
  std::vector<std::uint32_t>& renumbered = renumbered_;
  renumbered.resize(n);
  for (std::size_t k = 0; k < n; ++k) renumbered[sorted[k]] = static_cast<std::uint32_t>(k);
  std::vector<char>& sorted_ends = sorted_ends_;
  sorted_ends.resize(n);
  first_edge.assign(1, 0);
  edges.clear();
  for (std::size_t k = 0; k < n; ++k) {
    const Span span = out_spans[sorted[k]];
    for (std::uint32_t e = span.begin; e < span.end; ++e) {
      edges.push_back({out_edges[e].list, renumbered[out_edges[e].target]});
    }
    first_edge.push_back(static_cast<std::uint32_t>(edges.size()));
    sorted_ends[k] = ends[sorted[k]];
  }
  ends.swap(sorted_ends);
  return true;
}

std::optional<SpelledReadingTexts> Speller::run(const PathLattice& kana,
                                                std::uint64_t max_nodes) {
  begin(kana);
  if (kana_->start() == kana_->end()) return std::nullopt;
  if (!build_unit_graph()) return std::nullopt;
  std::uint64_t end = 0;
  if (!count_built_nodes(end)) return std::nullopt;
  if (completions_[start_] == 0) return SpelledReadingTexts{std::nullopt, 0};
  // The builder fails as soon as its end node would reach the limit.
  if (end >= max_nodes) return std::nullopt;
  ends_.clear();
  if (!determinize(first_edge_, graph_edges_, ends_)) return std::nullopt;
  auto lattice = trie_.take_graph_lattice(first_edge_, graph_edges_, ends_);
  if (!lattice.ok()) return std::nullopt;
  return SpelledReadingTexts{std::move(lattice).value(), end + 1};
}

}  // namespace

std::optional<SpelledReadingTexts> spell_reading_texts(const ReadingPathTable& table,
                                                       std::uint64_t max_nodes) {
  if (table.path_count() == 0) return std::nullopt;
  // Texts that cannot be spelled count for nothing in the builder, so a
  // tight limit on its nodes says little about the texts' own lattice.
  auto kana = compact_tail_lattice(table.tails(), std::max(max_nodes, kMinKanaNodes));
  if (!kana.ok() || !kana.value() || !kana.value()->lattice) return std::nullopt;
  // A thread keeps its speller's buffers for the next texts, unless an
  // unusually large lattice grew them.
  // On the heap, so that its methods take it as any object and not as
  // this thread's, which would cost a lookup of the thread's storage in
  // each of them.
  constexpr std::size_t kKeptBytes = std::size_t{4} << 20;
  thread_local std::unique_ptr<Speller> speller;
  if (!speller) speller = std::make_unique<Speller>();
  std::optional<SpelledReadingTexts> spelled = speller->run(*kana.value()->lattice, max_nodes);
  if (speller->footprint() > kKeptBytes) speller.reset();
  return spelled;
}

}  // namespace lumra::ja
