// Shared helpers for the Japanese reading tests: a reading index over a
// std::map, an index whose lookups fail, and the strings a lattice spells.
#pragma once

#include <map>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/utf8.h"
#include "core/lattice/lattice.h"
#include "ja/romaji/text_list.h"
#include "ja/unidic/reading_index.h"

namespace lumra::ja::testing {

class MapReadingIndex : public UnidicReadingIndex {
 public:
  MapReadingIndex() = default;
  MapReadingIndex(std::map<std::string, std::vector<std::string>> entries)
      : entries_(std::move(entries)) {}

  Result<bool, UnidicLoadError> lookup(std::string_view surface,
                                       std::vector<std::string_view>& readings) const override {
    readings.clear();
    auto it = entries_.find(std::string(surface));
    if (it == entries_.end()) return false;
    readings.assign(it->second.begin(), it->second.end());
    return true;
  }
  std::uint64_t entry_count() const override { return entries_.size(); }
  Status<UnidicLoadError> for_each_canonical_entry(const EntryVisitor& visit) const override {
    for (const auto& [surface, readings] : entries_) {
      visit(surface, std::vector<std::string_view>(readings.begin(), readings.end()));
    }
    return Unit{};
  }

 private:
  std::map<std::string, std::vector<std::string>> entries_;
};

// Every lookup of `broken` fails as a damaged indexed payload would.
class FailingReadingIndex : public MapReadingIndex {
 public:
  explicit FailingReadingIndex(std::string broken) : broken_(std::move(broken)) {}
  Result<bool, UnidicLoadError> lookup(std::string_view surface,
                                       std::vector<std::string_view>& readings) const override {
    if (surface == broken_) return Fail(unidic_errors::InvalidIndexedOffset{42});
    return MapReadingIndex::lookup(surface, readings);
  }

 private:
  std::string broken_;
};

// The strings spelled by the start-to-end paths of `lattice`.
inline std::set<std::string> lattice_strings(const PathLattice& lattice) {
  std::set<std::string> out;
  std::vector<Symbol> prefix;
  auto walk = [&](auto&& self, std::uint64_t node) -> void {
    if (node == lattice.end()) out.insert(encode_utf8(prefix));
    for (ArcIndex arc : lattice.outgoing(node)) {
      prefix.push_back(lattice.arc(arc).symbol);
      self(self, lattice.arc(arc).dst);
      prefix.pop_back();
    }
  };
  walk(walk, lattice.start());
  return out;
}

inline std::vector<std::string> strings_of(const TextList& list) { return list.to_strings(); }
inline std::set<std::string> set_of(const TextList& list) { return {list.begin(), list.end()}; }

// One to `max_length` pieces of `alphabet`, drawn at random.
inline std::string random_text(std::mt19937& random, const std::vector<std::string>& alphabet,
                               std::size_t max_length) {
  std::string out;
  for (std::size_t i = 1 + random() % max_length; i > 0; --i) {
    out += alphabet[random() % alphabet.size()];
  }
  return out;
}

}  // namespace lumra::ja::testing
