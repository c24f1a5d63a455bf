// Helpers for the FST tests: golden files, building maps from pair lists and
// walking a map into a pair list.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "artifacts/fst/fst_map.h"
#include "artifacts/fst/fst_map_builder.h"
#include "artifacts/fst/fst_stream.h"

namespace lumra::fst::testing {

using Bytes = std::vector<std::uint8_t>;
using Pairs = std::map<std::string, std::uint64_t>;  // std::string orders bytes unsigned

inline std::string golden_path(const std::string& name) {
  return std::string(LUMRA_TEST_DATA_DIR) + "/fst/" + name;
}

inline Bytes read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << path;
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// NAME.pairs: "hexkey<TAB>value" per line.
inline Pairs read_pairs(const std::string& path) {
  std::ifstream in(path);
  EXPECT_TRUE(in.good()) << path;
  Pairs pairs;
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t tab = line.find('\t');
    std::string key;
    for (std::size_t i = 0; i + 1 < tab; i += 2) {
      key.push_back(static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16)));
    }
    pairs[key] = std::stoull(line.substr(tab + 1));
  }
  return pairs;
}

inline Bytes build(const Pairs& pairs) {
  FstMapBuilder builder;
  for (const auto& [key, value] : pairs) EXPECT_TRUE(builder.add(key, value).ok());
  return std::move(builder).finish();
}

// Every pair of the map in stream order, or the walk's error.
inline std::optional<std::vector<std::pair<std::string, std::uint64_t>>> walk(
    const FstMap& map, std::size_t max_key_bytes = kDefaultMaxKeyBytes, FstError* error = nullptr) {
  std::vector<std::pair<std::string, std::uint64_t>> out;
  FstStream stream(map, max_key_bytes);
  while (true) {
    Result<bool, FstError> more = stream.next();
    if (!more.ok()) {
      if (error != nullptr) *error = more.error();
      return std::nullopt;
    }
    if (!more.value()) return out;
    out.emplace_back(std::string(stream.key()), stream.value());
  }
}

inline std::vector<std::pair<std::string, std::uint64_t>> as_list(const Pairs& pairs) {
  return {pairs.begin(), pairs.end()};
}

}  // namespace lumra::fst::testing
