// UnidicReadingIndex: surfaces and their kana readings, as the queries see
// them.
//
// One interface over two forms: a hash map built from a YAML or binary
// payload, and an FST-indexed payload whose readings are decoded on demand.
// An index never changes after loading and may be read by any number of
// threads at once.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/result.h"
#include "ja/unidic/unidic_load_error.h"

namespace lumra::ja {

class UnidicReadingIndex {
 public:
  virtual ~UnidicReadingIndex() = default;

  // Exact lookup of `surface` (compared byte for byte). On a match, fills
  // `readings` with views of its readings in stored order, valid for as long
  // as the index lives, and returns true; otherwise clears `readings` and
  // returns false. Reuses the capacity of `readings`, so a caller that keeps
  // the vector across lookups allocates nothing. Only the indexed form can
  // fail, when a readings record does not decode.
  virtual Result<bool, UnidicLoadError> lookup(std::string_view surface,
                                               std::vector<std::string_view>& readings) const = 0;

  // lookup(), then, when nothing was found and folding changes the surface,
  // lookup() of the folded surface: full-width ASCII U+FF01..U+FF5E becomes
  // U+0021..U+007E and U+3000 becomes U+0020.
  Result<bool, UnidicLoadError> lookup_folded(std::string_view surface,
                                              std::vector<std::string_view>& readings) const;

  // Where a walk through the surfaces stands, for looking up surfaces that
  // extend one another (every span from one start of a text) without
  // starting each lookup over. The fields are the form's own; a form that
  // cannot walk keeps every walk alive and looks each surface up whole.
  struct SurfaceWalk {
    std::uint64_t at = 0;
    std::uint64_t value = 0;
    bool live = true;  // false: no surface starts with the bytes walked
  };
  virtual SurfaceWalk start_surface_walk() const { return {}; }
  // Walks on by `bytes`.
  virtual void extend_surface_walk(SurfaceWalk& walk, std::string_view bytes) const {
    (void)walk;
    (void)bytes;
  }
  // lookup() of `surface`, which must be the bytes `walk` has walked.
  virtual Result<bool, UnidicLoadError> lookup_walked(const SurfaceWalk& walk,
                                                      std::string_view surface,
                                                      std::vector<std::string_view>& readings) const {
    (void)walk;
    return lookup(surface, readings);
  }
  // lookup_folded() of `surface` the same way.
  Result<bool, UnidicLoadError> lookup_folded_walked(const SurfaceWalk& walk,
                                                     std::string_view surface,
                                                     std::vector<std::string_view>& readings) const;

  virtual std::uint64_t entry_count() const = 0;

  // Calls `visit` with every entry in canonical order: surfaces in ascending
  // byte order, each with its readings in stored order.
  using EntryVisitor =
      std::function<void(std::string_view surface, const std::vector<std::string_view>& readings)>;
  virtual Status<UnidicLoadError> for_each_canonical_entry(const EntryVisitor& visit) const = 0;
};

// The folded form of `surface`, or nothing when folding changes nothing.
std::optional<std::string> fold_surface(std::string_view surface);

// False when folding changes neither `text` nor any part of it, so that
// lookup_folded() of its parts is lookup().
bool may_fold_surface(std::string_view text);

}  // namespace lumra::ja
