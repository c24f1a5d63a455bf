// What the two readings targets share: a small random dictionary, two
// random texts over its surfaces and their neighbours, random reading
// options, and the laws the lattice distances of the two texts obey; and
// the whole run of one input (run_readings_target), over a language's
// index type.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/alignment/reading_list.h"
#include "core/alignment/reading_span_scorers.h"
#include "core/lattice/lattice_distance.h"
#include "core/lattice/lattice_workspace.h"
#include "ja/reading/reading_options.h"

namespace lumra::fuzz {

// Chooses among the pieces, by the fuzzer's bytes.
inline std::string pick(FuzzedDataProvider& data, const std::vector<std::string>& pieces,
                        std::size_t most) {
  std::string text;
  const std::size_t count = data.ConsumeIntegralInRange<std::size_t>(0, most);
  for (std::size_t i = 0; i < count && data.remaining_bytes() > 0; ++i) {
    text += pieces[data.ConsumeIntegralInRange<std::size_t>(0, pieces.size() - 1)];
  }
  return text;
}

// A YAML payload (in JSON form) of up to eight entries.
// `head` adds fields, each followed by a comma.
inline std::string random_payload(FuzzedDataProvider& data, const char* payload_type,
                                  const char* head,
                                  const std::vector<std::string>& surface_pieces,
                                  const std::vector<std::string>& reading_pieces,
                                  const char* reading_separator) {
  std::string yaml = std::string("{\"schema_version\": 1, \"payload_type\": \"") + payload_type +
                     "\", " + head + "\"entries\": [";
  const std::size_t entries = data.ConsumeIntegralInRange<std::size_t>(0, 8);
  for (std::size_t e = 0; e < entries; ++e) {
    if (e > 0) yaml += ", ";
    yaml += "{\"surface\": \"" + pick(data, surface_pieces, 3) + "\", \"readings\": [";
    const std::size_t readings = data.ConsumeIntegralInRange<std::size_t>(1, 3);
    for (std::size_t r = 0; r < readings; ++r) {
      if (r > 0) yaml += ", ";
      std::string reading;
      const std::size_t units = data.ConsumeIntegralInRange<std::size_t>(1, 4);
      for (std::size_t u = 0; u < units; ++u) {
        if (u > 0) reading += reading_separator;
        reading += pick(data, reading_pieces, 1);
      }
      yaml += "\"" + reading + "\"";
    }
    yaml += "]}";
  }
  return yaml + "]}";
}

inline ja::ReadingOptions random_options(FuzzedDataProvider& data) {
  ja::ReadingOptions options;
  if (data.ConsumeBool()) options.max_readings_per_segment = data.ConsumeIntegralInRange(0, 4);
  options.max_span_chars = data.ConsumeIntegralInRange(0, 10);
  options.max_paths = data.ConsumeIntegralInRange(0, 64);
  options.longest_only = data.ConsumeBool();
  return options;
}

// The laws between the lattice distances of two lattices; a breach stops
// the fuzzer.
inline void check_distances(const PathLattice& left, const PathLattice& right,
                            std::uint64_t cutoff) {
  // A few dozen ambiguous kana make lattices of thousands of nodes: legal
  // up to the state limit, but seconds of searching under the sanitizers
  // (bench/limits.py times those). The fuzzer looks for wrong answers on
  // many small pairs instead.
  if (left.node_count() * right.node_count() > 1'000'000) return;
  LatticeWorkspace workspace;
  const auto levenshtein = lattice_levenshtein(left, right, workspace);
  if (!levenshtein.ok()) return;  // beyond the state limit
  const auto damerau = lattice_damerau(left, right, workspace);
  const auto bounded = lattice_levenshtein_with_cutoff(left, right, cutoff, workspace);
  const auto bounded_damerau = lattice_damerau_with_cutoff(left, right, cutoff, workspace);
  const auto within = lattice_within_levenshtein(left, right, cutoff);
  const auto within_damerau = lattice_within_damerau(left, right, cutoff);
  const std::uint64_t d = levenshtein.value();
  const std::uint64_t t = damerau.value();
  if (t > d) __builtin_trap();
  if (bounded.value() != std::min(d, cutoff + 1)) __builtin_trap();
  if (bounded_damerau.value() != std::min(t, cutoff + 1)) __builtin_trap();
  if (within.value() != (d <= cutoff)) __builtin_trap();
  if (within_damerau.value() != (t <= cutoff)) __builtin_trap();
}

// The span scorers on two texts' reading strings, the query's readings as
// a trie and pair by pair: the same score, or the same failure.
inline void check_span_scorers(const ReadingList& query, const ReadingList& span,
                               std::uint64_t cutoff) {
  // Both searches may meet every pair in the worst case: 720 readings
  // against 1800 took some ten seconds under the sanitizers, a time-out that
  // says nothing about either search. Such lists are left to the tests.
  constexpr std::uint64_t kMaxPairs = 100'000;
  if (static_cast<std::uint64_t>(query.size()) * span.size() > kMaxPairs) return;
  const auto nodes = ReadingDistanceScorer::query_node_count(query);
  if (!nodes.ok()) return;
  const auto described = [](const auto& scored) {
    if (!scored.ok()) return std::string("error");
    return scored.value() ? std::to_string(*scored.value()) : std::string("none");
  };
  std::string distances[2];
  std::string ratios[2];
  const PairSearch searches[2] = {PairSearch::kTrie, PairSearch::kPairByPair};
  for (int i = 0; i < 2; ++i) {
    ReadingDistanceScorer distance(query, nodes.value(), cutoff, searches[i]);
    distances[i] = described(distance.score(span, 1, std::nullopt));
    ReadingRatioScorer ratio(query, static_cast<double>(cutoff) / 6, searches[i]);
    ratios[i] = described(ratio.score(span, 1, std::nullopt));
  }
  if (distances[0] != distances[1] || ratios[0] != ratios[1]) __builtin_trap();
}

// One input of a readings target. `Language` names the index and its
// conversions:
//   static Result<std::unique_ptr<Index>, E> parse(FuzzedDataProvider&);
//   static Result<TextList, Q> strings(const Index&, std::string_view,
//                                      const ja::ReadingOptions&);
//   static Result<PathLattice, Q> lattice(same);
//   static std::string describe(const Q&);
//   static std::vector<std::string> text_pieces;
// and may add laws of its own on each text:
//   static void check_text(const Index&, std::string_view,
//                          const ja::ReadingOptions&);
// Every error's message is written, so that a bad template or field shows
// under the sanitizers too.
template <class Language>
int run_readings_target(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  auto index = Language::parse(data);
  if (!index.ok()) return 0;
  const ja::ReadingOptions options = random_options(data);
  const std::uint64_t cutoff = data.ConsumeIntegralInRange(0, 6);
  const std::vector<std::string>& pieces = Language::text_pieces;
  const std::string left = pick(data, pieces, 24);
  const std::string right =
      data.ConsumeBool() ? pick(data, pieces, 24) : data.ConsumeRemainingBytesAsString();
  ReadingList readings[2];
  bool read[2] = {false, false};
  for (int side = 0; side < 2; ++side) {
    if constexpr (requires { Language::check_text(*index.value(), left, options); }) {
      Language::check_text(*index.value(), side == 0 ? left : right, options);
    }
    auto strings = Language::strings(*index.value(), side == 0 ? left : right, options);
    if (!strings.ok()) {
      (void)Language::describe(strings.error());
    } else {
      readings[side].assign(strings.value());
      read[side] = true;
    }
  }
  if (read[0] && read[1]) check_span_scorers(readings[0], readings[1], cutoff);
  auto left_lattice = Language::lattice(*index.value(), left, options);
  auto right_lattice = Language::lattice(*index.value(), right, options);
  if (!left_lattice.ok()) (void)Language::describe(left_lattice.error());
  if (!right_lattice.ok()) (void)Language::describe(right_lattice.error());
  if (left_lattice.ok() && right_lattice.ok()) {
    check_distances(left_lattice.value(), right_lattice.value(), cutoff);
  }
  return 0;
}

}  // namespace lumra::fuzz
