// Why FST bytes were rejected, and why a key could not be added to a map
// being written.
//
// Every rejected FST reads "FST error" to the user, whatever the cause: the
// payload loaders wrap that one text into their own message. The kind and
// the address say what was wrong, for tests and for whoever debugs a file.
#pragma once

#include <cstdint>
#include <string>

namespace lumra::fst {

enum class FstErrorKind {
  kTooShort,              // fewer bytes than header and footer need
  kUnsupportedVersion,    // format version outside 1..3
  kBadRootAddress,        // root address not where the last node ends
  kNodeOutOfBounds,       // a node's bytes reach into the header or past the root
  kBadPackSize,           // a delta or output size over 8, or a 0-byte delta
  kBadTransitionTarget,   // a transition not going strictly downwards
  kUnorderedTransitions,  // transition inputs not strictly ascending
  kBadTransitionIndex,    // the 256-byte index disagrees with the inputs
  kDeadEnd,               // a non-final state that no key can pass through
  kKeyCountMismatch,      // the key count in the footer is not what the nodes hold
  kKeyTooLong,            // a key longer than the walk allows
};

struct FstError {
  FstErrorKind kind;
  // The node address where the fault lies, or the offending number for the
  // file-level kinds (size, version, key count, key length limit).
  std::uint64_t where;
};

// "FST error", for every kind.
std::string message(const FstError& error);
// A sentence naming the kind and `where`, for diagnostics.
std::string describe(const FstError& error);

// A key given to the writer out of order. Keys must be strictly ascending
// in byte order; `key_index` counts the keys given so far, from 0.
struct FstBuildError {
  enum class Kind { kDuplicateKey, kKeyOutOfOrder };
  Kind kind;
  std::uint64_t key_index;
};

std::string message(const FstBuildError& error);

}  // namespace lumra::fst
