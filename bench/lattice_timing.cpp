// Times the lattice searches and the plain partial alignments in C++,
// without the Python call around them, on both lattice builders.
//
// bench/run.py times the module functions, whose path lists always become
// chain lattices (compared path by path); this program adds the compact
// lattices the dictionaries build and chain lattices with one extra arc,
// which are searched over node pairs, and shows how much of a call the
// search itself costs.
//
// Built and run by hand; bench/README.md gives the command.
//
// Each figure is the median of 7 repeats of a loop over the prepared inputs
// lasting at least 0.1 s, per call. Inputs come from fixed seeds.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/lattice/lattice.h"
#include "core/lattice/lattice_distance.h"
#include "core/lattice/lattice_workspace.h"
#include "core/alignment/partial_alignment.h"

namespace {

using namespace lumra;
using Path = std::vector<Symbol>;
using PathList = std::vector<Path>;

std::mt19937_64 rng(2024);

Path word(std::size_t length) {
  Path out(length);
  for (Symbol& s : out) s = 'a' + static_cast<Symbol>(rng() % 26);
  return out;
}

// The same alternatives as `stem` with a varied middle: 2..4 symbols of
// prefix and of suffix kept.
PathList variants(const Path& stem) {
  PathList out;
  for (int n = 0; n < 20; ++n) {
    const std::size_t p = 2 + rng() % 3, s = 2 + rng() % 3;
    Path v(stem.begin(), stem.begin() + static_cast<std::ptrdiff_t>(p));
    const Path middle = word(10 - p - s);
    v.insert(v.end(), middle.begin(), middle.end());
    v.insert(v.end(), stem.end() - static_cast<std::ptrdiff_t>(s), stem.end());
    out.push_back(v);
  }
  return out;
}

double seconds_per_call(const std::function<void()>& call) {
  using Clock = std::chrono::steady_clock;
  std::vector<double> repeats;
  for (int r = 0; r < 7; ++r) {
    std::uint64_t calls = 0;
    const auto begin = Clock::now();
    double elapsed = 0;
    do {
      call();
      ++calls;
      elapsed = std::chrono::duration<double>(Clock::now() - begin).count();
    } while (elapsed < 0.1);
    repeats.push_back(elapsed / static_cast<double>(calls));
  }
  std::sort(repeats.begin(), repeats.end());
  return repeats[3];
}

void report(const std::string& name, double seconds) {
  if (seconds >= 1e-3) {
    std::printf("%-52s %9.3f ms\n", name.c_str(), seconds * 1e3);
  } else {
    std::printf("%-52s %9.2f us\n", name.c_str(), seconds * 1e6);
  }
}

std::uint64_t sink = 0;

using Builder = Result<PathLattice, LatticeError> (*)(PathListView);

void time_lattice_pairs(const std::string& tag,
                        const std::vector<std::pair<PathList, PathList>>& cases, Builder build) {
  std::vector<std::pair<PathLattice, PathLattice>> pairs;
  for (const auto& [l, r] : cases) pairs.emplace_back(build(l).value(), build(r).value());
  LatticeWorkspace workspace;
  auto each = [&](auto&& run) {
    return [&pairs, run] {
      for (const auto& [l, r] : pairs) run(l, r);
    };
  };
  const double n = static_cast<double>(pairs.size());
  report("levenshtein " + tag, seconds_per_call(each([&](const auto& l, const auto& r) {
           sink += lattice_levenshtein(l, r, workspace).value();
         })) / n);
  report("levenshtein " + tag + " bound=2",
         seconds_per_call(each([&](const auto& l, const auto& r) {
           sink += lattice_levenshtein_bounded(l, r, 2, workspace).value().value;
         })) / n);
  report("damerau " + tag, seconds_per_call(each([&](const auto& l, const auto& r) {
           sink += lattice_damerau(l, r, workspace).value();
         })) / n);
  report("damerau " + tag + " bound=2", seconds_per_call(each([&](const auto& l, const auto& r) {
           sink += lattice_damerau_bounded(l, r, 2, workspace).value().value;
         })) / n);
  report("within levenshtein " + tag + " t=2",
         seconds_per_call(each([&](const auto& l, const auto& r) {
           sink += lattice_within_levenshtein(l, r, 2).value();
         })) / n);
  report("within damerau " + tag + " t=2", seconds_per_call(each([&](const auto& l, const auto& r) {
           sink += lattice_within_damerau(l, r, 2).value();
         })) / n);
}

// The chain lattice of `paths` with one more arc, skipping a symbol of the
// first path: no longer separate chains, so the searches run over node
// pairs instead of comparing paths pairwise, on an almost chain-shaped
// lattice. Paths of at least three symbols.
Result<PathLattice, LatticeError> chains_plus_arc(PathListView paths) {
  const PathLattice chains = PathLattice::from_paths(paths).value();
  std::vector<LatticeArc> arcs(chains.arcs().begin(), chains.arcs().end());
  arcs.push_back({1, 3, 'z'});
  return PathLattice::from_arcs(chains.node_count(), chains.start(), chains.end(), std::move(arcs));
}

Path mutated(Path text, int edits) {
  for (int e = 0; e < edits; ++e) text[rng() % text.size()] = 'a' + static_cast<Symbol>(rng() % 26);
  return text;
}

}  // namespace

int main() {
  std::vector<std::pair<PathList, PathList>> random_cases, affix_cases;
  for (int c = 0; c < 20; ++c) {
    PathList left, right;
    for (int p = 0; p < 20; ++p) left.push_back(word(10));
    for (int p = 0; p < 20; ++p) right.push_back(word(10));
    right[rng() % 20] = mutated(left[rng() % 20], 2);
    random_cases.emplace_back(left, right);
    const Path stem = word(10);
    affix_cases.emplace_back(variants(stem), variants(stem));
  }
  std::printf("== lattices (per call)\n");
  time_lattice_pairs("20x10 random chain", random_cases, &PathLattice::from_paths);
  time_lattice_pairs("20x10 random chain+arc", random_cases, &chains_plus_arc);
  time_lattice_pairs("20x10 random compact", random_cases, &PathLattice::from_paths_compact);
  time_lattice_pairs("20x10 affixes chain", affix_cases, &PathLattice::from_paths);
  time_lattice_pairs("20x10 affixes chain+arc", affix_cases, &chains_plus_arc);
  time_lattice_pairs("20x10 affixes compact", affix_cases, &PathLattice::from_paths_compact);

  const Path long_left = word(3999);
  const PathLattice big_left = PathLattice::from_paths(PathList{long_left}).value();
  const PathLattice big_right = PathLattice::from_paths(PathList{mutated(long_left, 2)}).value();
  LatticeWorkspace workspace;
  report("levenshtein 4000x4000 bound=2", seconds_per_call([&] {
           sink += lattice_levenshtein_bounded(big_left, big_right, 2, workspace).value().value;
         }));
  report("damerau 4000x4000 bound=2", seconds_per_call([&] {
           sink += lattice_damerau_bounded(big_left, big_right, 2, workspace).value().value;
         }));
  report("within levenshtein 4000x4000 t=2", seconds_per_call([&] {
           sink += lattice_within_levenshtein(big_left, big_right, 2).value();
         }));
  report("levenshtein 4000x4000 bound=2, fresh workspace", seconds_per_call([&] {
           LatticeWorkspace fresh;
           sink += lattice_levenshtein_bounded(big_left, big_right, 2, fresh).value().value;
         }));

  std::printf("== alignment: 10-symbol query, 2000-symbol text, spans up to 16 (per call)\n");
  const Path text = word(2000);
  const std::size_t at = rng() % 1990;
  const Path query = mutated(Path(text.begin() + at, text.begin() + at + 10), 1);
  report("partial_distance_alignment", seconds_per_call([&] {
           sink += partial_distance_alignment(query, text, 16, std::nullopt).value()->score;
         }));
  report("partial_distance_alignment cutoff=2", seconds_per_call([&] {
           sink += partial_distance_alignment(query, text, 16, 2).value()->score;
         }));
  report("partial_ratio_alignment", seconds_per_call([&] {
           sink += partial_ratio_alignment(query, text, 16, std::nullopt).value()->span_end;
         }));
  report("partial_ratio_alignment cutoff=0.8", seconds_per_call([&] {
           sink += partial_ratio_alignment(query, text, 16, 0.8).value()->span_end;
         }));
  // Printed only so that the calls cannot be optimised away.
  std::printf("(checksum %llu)\n", static_cast<unsigned long long>(sink));
  return 0;
}
