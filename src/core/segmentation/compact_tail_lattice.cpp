#include "core/segmentation/compact_tail_lattice.h"

#include <algorithm>
#include <limits>
#include <string_view>
#include <utility>
#include <vector>

#include "core/base/interruption.h"
#include "core/base/utf8.h"
#include "core/lattice/height_order.h"

namespace lumra {

namespace {

constexpr std::uint32_t kFinal = std::numeric_limits<std::uint32_t>::max();
// What a set of strings that holds only the empty string leads to: no state.
constexpr std::uint32_t kNoState = kFinal - 1;
constexpr std::size_t kMinSlots = 64;

std::uint64_t mix(std::uint64_t hash, std::uint64_t value) {
  return hash ^ (value + 0x9E3779B97F4A7C15 + (hash << 6) + (hash >> 2));
}

// The prefix tree of the strings, walked depth first with its own stack (a
// string is as deep as the text's reading is long), children in ascending
// symbol order, each node registered as a merged state when its children
// are done.
class Walk {
 public:
  Walk(const TailTable& table, std::size_t spare_items)
      : table_(table), end_position_(table.char_count()), spare_(spare_items) {}

  Result<std::optional<CompactTailLattice>, LatticeError> run(std::uint64_t max_nodes);

 private:
  // The strings `first` + `then` + string r of position `end`, for r in
  // [lo, hi): what is left of some strings below a node of the tree.
  struct Item {
    std::string_view first;
    std::string_view then;
    std::size_t end;
    std::uint32_t lo;
    std::uint32_t hi;
  };
  // An item whose next symbol is known.
  struct Head {
    Symbol symbol;
    std::uint32_t size;
    Item item;
  };
  // Ranks [lo, hi) of position `end`: an item at a segment boundary.
  struct Anchor {
    std::size_t end;
    std::uint32_t lo;
    std::uint32_t hi;
    bool operator==(const Anchor&) const = default;
  };
  // An arc of a merged state: a final symbol, or a symbol and a state.
  struct Arc {
    Symbol symbol;
    std::uint32_t target;  // kFinal, or a state
    bool operator==(const Arc&) const = default;
  };
  struct State {
    std::size_t first_arc;
    std::uint32_t arc_count;
    std::uint32_t height;
    std::uint64_t hash;
  };
  // A set of anchors whose tree node is done: the state it leads to, and
  // whether it holds the empty string (which makes the arc to it final).
  struct Known {
    std::uint64_t hash;
    std::size_t first_anchor;
    std::uint32_t anchor_count;
    std::uint32_t state;
    bool has_empty;
  };
  // A tree node being walked. Its heads are heads_[next_head, heads_end),
  // sorted by symbol; its arcs so far are finals_ and children_ from the
  // recorded starts on.
  struct Frame {
    Symbol symbol;  // of the arc from its parent
    bool keyed;     // reached at segment boundaries only: remembered when done
    bool has_empty;
    std::size_t heads_begin;
    std::size_t next_head;
    std::size_t heads_end;
    std::size_t finals_begin;
    std::size_t children_begin;
    std::size_t key_begin;
    std::uint64_t key_hash;
    // The bytes of the symbols from the tree node the frame was pushed for
    // down to the one it walks: nodes in between have one child and no
    // final symbol (one string set, inside one front), so they are only
    // registered, from the bottom up, once the walked node is done.
    std::string_view chain;
  };

  bool expand(bool& has_empty);
  void make_key();
  const Known* find_known(std::uint64_t hash) const;
  void remember(const Anchor* key, std::size_t count, std::uint64_t hash, std::uint32_t state,
                bool has_empty);
  std::uint32_t register_state(const Frame& frame);
  std::uint32_t register_chain(std::string_view chain, std::uint32_t bottom);
  std::uint32_t register_signature();
  bool over_budget() const;
  void release_walk();
  Result<CompactTailLattice, LatticeError> assemble(std::uint32_t root) const;

  const TailTable& table_;
  const std::size_t end_position_;
  const std::size_t spare_;

  std::vector<Frame> frames_;
  std::vector<Head> heads_;
  std::vector<Arc> finals_;
  std::vector<Arc> children_;
  std::vector<Anchor> pending_keys_;  // the keys of keyed open frames
  std::vector<Item> work_;
  std::vector<Anchor> key_;
  std::uint64_t key_hash_ = 0;

  std::vector<Known> known_;
  std::vector<Anchor> known_anchors_;
  std::vector<std::uint32_t> known_slots_;  // open addressing over known_, 0 for free

  std::vector<State> states_;
  std::vector<Arc> state_arcs_;
  std::vector<std::uint32_t> state_slots_;  // open addressing over states_, 0 for free
  std::vector<Arc> signature_;
  std::vector<Symbol> chain_symbols_;
};

// Turns the items of work_ into heads, appended to heads_: an item at a
// segment boundary becomes the items of the pieces its ranks cover. Sets
// `has_empty` for an item that is the empty string. False when a front is
// no well-formed UTF-8.
bool Walk::expand(bool& has_empty) {
  while (!work_.empty()) {
    Item item = work_.back();
    work_.pop_back();
    if (item.first.empty()) std::swap(item.first, item.then);
    if (!item.first.empty()) {
      const NextChar c = decode_char(item.first, 0);
      if (c.size == 0) return false;
      heads_.push_back({c.value, static_cast<std::uint32_t>(c.size), item});
      continue;
    }
    if (item.end == end_position_) {
      has_empty = true;  // the one string of the end, [0, 1)
      continue;
    }
    const std::uint32_t pieces = table_.piece_count(item.end);
    for (std::uint32_t k = table_.piece_of_rank(item.end, item.lo); k < pieces; ++k) {
      const TailTable::PieceView piece = table_.piece(item.end, k);
      if (piece.rank_first >= item.hi) break;
      const std::uint32_t from = std::max(item.lo, piece.rank_first);
      const std::uint32_t to = std::min(item.hi, piece.rank_end);
      work_.push_back({piece.front.first, piece.front.then, piece.end,
                       piece.rest_first + (from - piece.rank_first),
                       piece.rest_first + (to - piece.rank_first)});
    }
  }
  return true;
}

// The canonical form of the anchors in work_: sorted, with the ranges of
// one position that meet joined (they never overlap: every string below a
// tree node comes from one rank of position 0).
void Walk::make_key() {
  key_.clear();
  for (const Item& item : work_) key_.push_back({item.end, item.lo, item.hi});
  std::sort(key_.begin(), key_.end(), [](const Anchor& a, const Anchor& b) {
    return a.end != b.end ? a.end < b.end : a.lo < b.lo;
  });
  std::size_t kept = 0;
  for (const Anchor& a : key_) {
    if (kept > 0 && key_[kept - 1].end == a.end && key_[kept - 1].hi == a.lo) {
      key_[kept - 1].hi = a.hi;
    } else {
      key_[kept++] = a;
    }
  }
  key_.resize(kept);
  key_hash_ = kept;
  for (const Anchor& a : key_) key_hash_ = mix(mix(mix(key_hash_, a.end), a.lo), a.hi);
}

const Walk::Known* Walk::find_known(std::uint64_t hash) const {
  if (known_slots_.empty()) return nullptr;
  const std::size_t mask = known_slots_.size() - 1;
  for (std::size_t slot = hash & mask; known_slots_[slot] != 0; slot = (slot + 1) & mask) {
    const Known& known = known_[known_slots_[slot] - 1];
    if (known.hash != hash || known.anchor_count != key_.size()) continue;
    if (std::equal(key_.begin(), key_.end(), known_anchors_.begin() + known.first_anchor)) {
      return &known;
    }
  }
  return nullptr;
}

void Walk::remember(const Anchor* key, std::size_t count, std::uint64_t hash,
                    std::uint32_t state, bool has_empty) {
  if (2 * (known_.size() + 1) > known_slots_.size()) {
    known_slots_.assign(std::max(kMinSlots, 2 * known_slots_.size()), 0);
    const std::size_t mask = known_slots_.size() - 1;
    for (std::size_t k = 0; k < known_.size(); ++k) {
      std::size_t slot = known_[k].hash & mask;
      while (known_slots_[slot] != 0) slot = (slot + 1) & mask;
      known_slots_[slot] = static_cast<std::uint32_t>(k + 1);
    }
  }
  const std::size_t mask = known_slots_.size() - 1;
  std::size_t slot = hash & mask;
  while (known_slots_[slot] != 0) slot = (slot + 1) & mask;
  known_.push_back({hash, known_anchors_.size(), static_cast<std::uint32_t>(count), state,
                    has_empty});
  known_anchors_.insert(known_anchors_.end(), key, key + count);
  known_slots_[slot] = static_cast<std::uint32_t>(known_.size());
}

// The state of a finished tree node: an existing one with the same final
// symbols and the same children under the same symbols, or a new one, as
// from_paths_compact registers them.
std::uint32_t Walk::register_state(const Frame& frame) {
  signature_.assign(finals_.begin() + static_cast<std::ptrdiff_t>(frame.finals_begin),
                    finals_.end());
  signature_.insert(signature_.end(),
                    children_.begin() + static_cast<std::ptrdiff_t>(frame.children_begin),
                    children_.end());
  return register_signature();
}

// The states of the nodes above a chain's bottom one, each with one child.
std::uint32_t Walk::register_chain(std::string_view chain, std::uint32_t bottom) {
  std::vector<Symbol>& symbols = chain_symbols_;
  symbols.clear();
  for (std::size_t at = 0; at < chain.size();) {
    const NextChar c = decode_char(chain, at);  // checked when the chain was walked
    symbols.push_back(c.value);
    at += c.size;
  }
  std::uint32_t state = bottom;
  for (std::size_t k = symbols.size(); k-- > 0;) {
    signature_.assign(1, Arc{symbols[k], state});
    state = register_signature();
  }
  return state;
}

// The state of the arcs in signature_.
std::uint32_t Walk::register_signature() {
  std::uint64_t hash = signature_.size();
  std::uint32_t height = 0;
  for (const Arc& arc : signature_) {
    hash = mix(mix(hash, arc.symbol), arc.target);
    height = std::max(height, arc.target == kFinal ? 1 : states_[arc.target].height + 1);
  }
  if (2 * (states_.size() + 1) > state_slots_.size()) {
    state_slots_.assign(std::max(kMinSlots, 2 * state_slots_.size()), 0);
    const std::size_t mask = state_slots_.size() - 1;
    for (std::size_t s = 0; s < states_.size(); ++s) {
      std::size_t slot = states_[s].hash & mask;
      while (state_slots_[slot] != 0) slot = (slot + 1) & mask;
      state_slots_[slot] = static_cast<std::uint32_t>(s + 1);
    }
  }
  const std::size_t mask = state_slots_.size() - 1;
  std::size_t slot = hash & mask;
  for (; state_slots_[slot] != 0; slot = (slot + 1) & mask) {
    const State& other = states_[state_slots_[slot] - 1];
    if (other.hash != hash || other.arc_count != signature_.size()) continue;
    if (std::equal(signature_.begin(), signature_.end(),
                   state_arcs_.begin() + static_cast<std::ptrdiff_t>(other.first_arc))) {
      return state_slots_[slot] - 1;
    }
  }
  const auto state = static_cast<std::uint32_t>(states_.size());
  states_.push_back({state_arcs_.size(), static_cast<std::uint32_t>(signature_.size()), height,
                     hash});
  state_arcs_.insert(state_arcs_.end(), signature_.begin(), signature_.end());
  state_slots_[slot] = state + 1;
  return state;
}

// Writing the strings out holds one string and the merged states; the walk
// may hold a few items per level of the tree and a few remembered anchors
// per state before it has cost more than that.
bool Walk::over_budget() const {
  const std::size_t levels = frames_.size();
  return heads_.size() + pending_keys_.size() > spare_ + 16 * levels ||
         known_anchors_.size() > spare_ + 4 * (states_.size() + levels) ||
         states_.size() >= kNoState;
}

void Walk::release_walk() {
  frames_ = {};
  heads_ = {};
  finals_ = {};
  children_ = {};
  pending_keys_ = {};
  work_ = {};
  known_ = {};
  known_anchors_ = {};
  known_slots_ = {};
  state_slots_ = {};
}

Result<CompactTailLattice, LatticeError> Walk::assemble(std::uint32_t root) const {
  const std::size_t state_count = states_.size();
  const HeightOrder order = order_by_height(states_, root);
  const std::vector<std::uint64_t>& node_of_state = order.node_of_state;

  const std::uint64_t end = state_count;
  std::vector<LatticeArc> arcs;
  arcs.reserve(state_arcs_.size());
  for (std::size_t node = 0; node < state_count; ++node) {
    const State& state = states_[order.state_of_node[node]];
    for (std::size_t k = 0; k < state.arc_count; ++k) {
      const Arc& arc = state_arcs_[state.first_arc + k];
      arcs.push_back({node, arc.target == kFinal ? end : node_of_state[arc.target], arc.symbol});
    }
  }
  LUMRA_TRY_ASSIGN(PathLattice lattice, PathLattice::from_arcs(end + 1, 0, end, std::move(arcs)));
  return CompactTailLattice{std::move(lattice), end + 1};
}

Result<std::optional<CompactTailLattice>, LatticeError> Walk::run(std::uint64_t max_nodes) {
  using Outcome = std::optional<CompactTailLattice>;
  const std::uint32_t strings = table_.count(0);
  if (strings == 0) return Fail(LatticeError(lattice_errors::Empty{}));
  work_.push_back({{}, {}, 0, 0, strings});
  bool root_has_empty = false;
  if (!expand(root_has_empty)) return Outcome();
  if (root_has_empty) {
    if (strings > 1) return Fail(LatticeError(lattice_errors::MixedEmptyAndNonEmptyPaths{}));
    return Outcome(CompactTailLattice{PathLattice::empty_string(), 1});
  }
  const auto by_symbol = [](const Head& a, const Head& b) { return a.symbol < b.symbol; };
  std::sort(heads_.begin(), heads_.end(), by_symbol);
  frames_.push_back({0, false, false, 0, 0, heads_.size(), 0, 0, 0, 0, {}});

  InterruptionPoll poll;
  std::uint32_t root = 0;
  for (;;) {
    Frame& frame = frames_.back();
    if (frame.next_head == frame.heads_end) {
      std::uint32_t state = register_state(frame);
      if (!frame.chain.empty()) state = register_chain(frame.chain, state);
      if (frame.keyed) {
        remember(pending_keys_.data() + frame.key_begin, pending_keys_.size() - frame.key_begin,
                 frame.key_hash, state, frame.has_empty);
      }
      const Frame done = frame;
      frames_.pop_back();
      heads_.resize(done.heads_begin);
      finals_.resize(done.finals_begin);
      children_.resize(done.children_begin);
      pending_keys_.resize(done.key_begin);
      if (frames_.empty()) {
        root = state;
        break;
      }
      children_.push_back({done.symbol, state});
      if (over_budget()) return Outcome();
      continue;
    }

    // The next child: every head that goes on with the same symbol.
    const std::size_t group = frame.next_head;
    const Symbol symbol = heads_[group].symbol;
    std::size_t group_end = group + 1;
    while (group_end < frame.heads_end && heads_[group_end].symbol == symbol) ++group_end;
    frame.next_head = group_end;
    if (poll.stop_after(8 * (group_end - group + 1))) return Fail(LatticeError(Interrupted{}));

    work_.clear();
    bool at_boundaries = true;
    for (std::size_t k = group; k < group_end; ++k) {
      Item item = heads_[k].item;
      item.first.remove_prefix(heads_[k].size);
      if (item.first.empty()) std::swap(item.first, item.then);
      if (!item.first.empty()) at_boundaries = false;
      work_.push_back(item);
    }
    if (at_boundaries) {
      make_key();
      if (const Known* known = find_known(key_hash_)) {
        if (known->has_empty) finals_.push_back({symbol, kFinal});
        if (known->state != kNoState) children_.push_back({symbol, known->state});
        continue;
      }
    }
    const std::size_t heads_begin = heads_.size();
    bool has_empty = false;
    if (!expand(has_empty)) return Outcome();
    if (has_empty) finals_.push_back({symbol, kFinal});
    if (heads_.size() == heads_begin) {
      if (at_boundaries) remember(key_.data(), key_.size(), key_hash_, kNoState, true);
      continue;
    }
    std::sort(heads_.begin() + static_cast<std::ptrdiff_t>(heads_begin), heads_.end(), by_symbol);
    // One string set with more of its front to go: the node's one child is
    // the next symbol of the front, and so on down to the front's last
    // symbol, the first node that may branch or end a string.
    std::string_view chain;
    if (heads_.size() - heads_begin == 1) {
      Head& head = heads_.back();
      const char* const chain_start = head.item.first.data();
      while (head.item.first.size() > head.size) {
        head.item.first.remove_prefix(head.size);
        const NextChar c = decode_char(head.item.first, 0);
        if (c.size == 0) return Outcome();
        head.symbol = c.value;
        head.size = static_cast<std::uint32_t>(c.size);
      }
      chain = {chain_start, static_cast<std::size_t>(head.item.first.data() - chain_start)};
    }
    const std::size_t key_begin = pending_keys_.size();
    if (at_boundaries) pending_keys_.insert(pending_keys_.end(), key_.begin(), key_.end());
    frames_.push_back({symbol, at_boundaries, has_empty, heads_begin, heads_begin, heads_.size(),
                       finals_.size(), children_.size(), key_begin, key_hash_, chain});
    if (over_budget()) return Outcome();
  }

  // The walk's buffers are done with; the lattice is built from the states.
  release_walk();
  if (states_.size() + 1 > max_nodes) {
    return Outcome(CompactTailLattice{std::nullopt, states_.size() + 1});
  }
  LUMRA_TRY_ASSIGN(CompactTailLattice built, assemble(root));
  return Outcome(std::move(built));
}

}  // namespace

Result<std::optional<CompactTailLattice>, LatticeError> compact_tail_lattice(
    const TailTable& table, std::uint64_t max_nodes, std::size_t spare_items) {
  return Walk(table, spare_items).run(max_nodes);
}

}  // namespace lumra
