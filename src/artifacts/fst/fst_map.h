// A read-only FST map over serialised bytes: key count, exact lookup, and
// (through FstStream) all pairs in key order.
//
// open() validates every node reachable from the root before it returns, so
// a lookup or a walk only ever meets nodes that decode inside the bytes and
// whose transitions lead strictly downwards. What open() cannot see without
// memory per node, the key count and the key lengths, the walk checks as it
// goes (fst_stream.h). Whoever walks every key anyway can have the nodes
// checked on the way instead, and the map at the end (opening_walk.h).
//
// The map does not own its bytes: they must outlive it and every stream
// over it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "artifacts/fst/format.h"
#include "artifacts/fst/fst_error.h"
#include "artifacts/fst/key_order_walk.h"
#include "artifacts/fst/node.h"
#include "core/base/result.h"

namespace lumra::fst {

class FstMap {
 public:
  static Result<FstMap, FstError> open(std::span<const std::uint8_t> bytes);
  // The map would outlive a temporary buffer.
  static Result<FstMap, FstError> open(std::vector<std::uint8_t>&&) = delete;

  // The key count written in the footer; a walk fails if the nodes hold a
  // different number.
  std::uint64_t size() const { return key_count_; }
  // The value of `key`, or nothing when the map does not hold it. Allocates
  // nothing and takes one step per key byte.
  std::optional<std::uint64_t> get(std::string_view key) const;

  // A lookup taken a piece of the key at a time, for keys that extend one
  // another (every key a text starts with): each piece costs its own steps
  // only, and a walk that no key continues stays dead.
  struct PrefixWalk {
    std::uint64_t address;
    std::uint64_t value;  // the outputs on the way, modulo 2^64
    bool live;            // some key starts with the bytes walked
  };
  PrefixWalk start_prefix_walk() const { return {root_.address(), 0, true}; }
  // Walks on by `bytes`: one step per byte, as get() takes them.
  void extend(PrefixWalk& walk, std::string_view bytes) const;
  // get() of the bytes walked.
  std::optional<std::uint64_t> value_of(const PrefixWalk& walk) const;

  std::uint64_t version() const { return version_; }
  // The map's bytes from its first one: node addresses index into them.
  // Only nodes reached from the root are known to decode.
  const std::uint8_t* data() const { return nodes_.data(); }
  // What a walk of the keys needs to know.
  WalkedMap walked() const { return {nodes_.data(), version_, root_.address(), key_count_}; }

  const Node& root() const { return root_; }
  Result<Node, FstError> node(std::uint64_t address) const {
    return Node::decode(nodes_, version_, address);
  }
  bool read_node(std::uint64_t address, Node& node, FstErrorKind& why) const {
    return Node::read(nodes_, version_, address, node, why);
  }

 private:
  // Where the root's transitions lead, by their first one or two bytes, and
  // the output on the way.
  struct Step {
    std::uint64_t target = kNoAddress;  // kNoAddress: no transition
    std::uint64_t output = 0;
  };

  friend class OpeningWalk;

  FstMap() = default;
  // open()'s checks of the header, the footer and the root, which leave
  // the nodes below the root to check_reachable_nodes() or to a checking
  // walk; the map must not be looked up in before one of them has passed.
  static Result<FstMap, FstError> open_footer(std::span<const std::uint8_t> bytes);
  Status<FstError> check_reachable_nodes() const;
  Result<std::uint64_t, FstError> single_transition_target(std::uint64_t address) const;
  void cache_first_steps();
  // The cached step of the first one or two bytes of [in, end), which must
  // not be empty, from the root; `in` moves past the bytes taken.
  const Step& first_steps(const std::uint8_t*& in, const std::uint8_t* end) const;

  // From the first byte to the root's state byte: all nodes live in here.
  std::span<const std::uint8_t> nodes_;
  std::uint64_t version_ = 0;
  std::uint64_t key_count_ = 0;
  Node root_;
  // Every lookup starts at the root, whose transitions, the most numerous
  // of the map, would otherwise be searched each time; a key whose first
  // byte no key has ends here.
  std::array<Step, 256> root_steps_{};
  // The nodes one byte below the root are nearly as busy: where the first
  // byte leads to a node with a transition index (more than 32
  // transitions; the lead bytes of kana and kanji do), the first two bytes
  // are taken at once from a block of 256 steps. second_block_[b] is one
  // more than the block of first byte b, or 0 when there is none. At most
  // 256 blocks of 4 KiB.
  std::array<std::uint16_t, 256> second_block_{};
  std::vector<Step> second_steps_;
};

}  // namespace lumra::fst
