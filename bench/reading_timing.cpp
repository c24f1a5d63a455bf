// Times the Japanese reading conversions in C++, without the Python call
// around them, on a synthetic UniDic-like index: single kanji with several
// readings, two-kanji compounds, and kana words.
//
// The dictionary's distance converts both texts with reading_lattice and
// searches the pair; its normalized similarity is best_reading_similarity.
// This program shows what each step costs on short texts (2 to 8
// characters), the benchmark's workload.
//
// Built and run by hand; bench/README.md gives the command.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/lattice/lattice_distance.h"
#include "core/lattice/lattice_workspace.h"
#include "ja/reading/reading_lattice.h"
#include "ja/reading/reading_options.h"
#include "ja/reading/reading_similarity.h"
#include "ja/reading/reading_strings.h"
#include "ja/unidic/reading_index.h"
#include "ja/unidic/segmentation.h"

namespace {

using namespace lumra;
using namespace lumra::ja;

class HashReadingIndex : public UnidicReadingIndex {
 public:
  void add(std::string surface, std::vector<std::string> readings) {
    entries_.emplace(std::move(surface), std::move(readings));
  }
  Result<bool, UnidicLoadError> lookup(std::string_view surface,
                                       std::vector<std::string_view>& readings) const override {
    readings.clear();
    auto it = entries_.find(surface);
    if (it == entries_.end()) return false;
    readings.assign(it->second.begin(), it->second.end());
    return true;
  }
  std::uint64_t entry_count() const override { return entries_.size(); }
  Status<UnidicLoadError> for_each_canonical_entry(const EntryVisitor&) const override {
    return Unit{};
  }

 private:
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
  };
  std::unordered_map<std::string, std::vector<std::string>, Hash, std::equal_to<>> entries_;
};

std::mt19937_64 rng(2024);

std::string utf8(char32_t c) {
  std::string out;
  out += static_cast<char>(0xE0 | (c >> 12));
  out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  out += static_cast<char>(0x80 | (c & 0x3F));
  return out;
}

// Kana of the table that make plausible readings.
const std::u32string kSyllables =
    U"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわんがぎぐげござじずぜぞだでどばびぶべぼぱぴぷぺぽ";

std::string kana_word(std::size_t syllables) {
  std::string out;
  for (std::size_t i = 0; i < syllables; ++i) {
    out += utf8(kSyllables[rng() % kSyllables.size()]);
    if (rng() % 6 == 0) out += utf8(U"ょうっー"[rng() % 4]);
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

void report(const char* name, double seconds) { std::printf("%-56s %9.2f us\n", name, seconds * 1e6); }

}  // namespace

template <class R>
void check(const R& result) {
  if (!result.ok()) {
    std::printf("unexpected failure: %s\n", message(result.error()).c_str());
    std::fflush(stdout);
    std::abort();
  }
}

int main(int argc, char** argv) {
  // 3000 kanji with 1..3 readings, 150000 two-kanji compounds with 1..2,
  // 20000 kana words.
  HashReadingIndex index;
  std::vector<std::string> kanji, compounds, kana;
  for (char32_t c = 0x4E00; c < 0x4E00 + 3000; ++c) {
    std::vector<std::string> readings;
    for (std::size_t r = 1 + rng() % 3; r > 0; --r) readings.push_back(kana_word(1 + rng() % 2));
    std::sort(readings.begin(), readings.end());
    readings.erase(std::unique(readings.begin(), readings.end()), readings.end());
    kanji.push_back(utf8(c));
    index.add(kanji.back(), readings);
  }
  for (int i = 0; i < 150000; ++i) {
    std::string surface = kanji[rng() % kanji.size()] + kanji[rng() % kanji.size()];
    std::vector<std::string> readings = {kana_word(2 + rng() % 3)};
    if (rng() % 3 == 0) readings.push_back(kana_word(2 + rng() % 3));
    if (readings.size() == 2 && readings[0] == readings[1]) readings.pop_back();
    compounds.push_back(surface);
    index.add(surface, readings);
  }
  for (int i = 0; i < 20000; ++i) {
    kana.push_back(kana_word(1 + rng() % 3));
    index.add(kana.back(), {kana.back()});
  }

  // Texts of 2 to 8 characters: compounds and kanji with kana between them.
  std::vector<std::string> kanji_texts, kana_texts;
  for (int i = 0; i < 1000; ++i) {
    std::string text;
    std::size_t chars = 0;
    const std::size_t want = 2 + rng() % 7;
    while (chars < want) {
      const int kind = static_cast<int>(rng() % 3);
      if (kind == 0 && chars + 2 <= want) {
        text += compounds[rng() % compounds.size()];
        chars += 2;
      } else if (kind == 1) {
        text += kanji[rng() % kanji.size()];
        chars += 1;
      } else {
        text += utf8(kSyllables[rng() % kSyllables.size()]);
        chars += 1;
      }
    }
    kanji_texts.push_back(text);
    kana_texts.push_back(kana_word(2 + rng() % 5));
  }

  const ReadingOptions options;
  if (argc > 1) {
    // One pass over the texts in the form named, for a profiler.
    const std::string form = argv[1];
    for (const std::string& text : kanji_texts) {
      if (form == "lattice") check(reading_lattice(index, text, options));
      if (form == "strings") check(reading_strings(index, text, options));
      if (form == "similarity") check(best_reading_similarity(index, text, text + "か", options));
    }
    return 0;
  }
  std::size_t next = 0;
  auto text_at = [&](const std::vector<std::string>& texts) -> const std::string& {
    return texts[next++ % texts.size()];
  };
  report("reading_lattice, kanji text", seconds_per_call([&] {
           auto lattice = reading_lattice(index, text_at(kanji_texts), options);
           check(lattice);
         }));
  report("reading_lattice, kana text", seconds_per_call([&] {
           auto lattice = reading_lattice(index, text_at(kana_texts), options);
           check(lattice);
         }));
  report("reading_strings, kanji text", seconds_per_call([&] {
           auto strings = reading_strings(index, text_at(kanji_texts), options);
           check(strings);
         }));
  report("reading_strings, kana text", seconds_per_call([&] {
           auto strings = reading_strings(index, text_at(kana_texts), options);
           check(strings);
         }));

  // Sizes: nodes per lattice and strings per text.
  std::uint64_t nodes = 0, strings = 0, max_nodes = 0;
  for (const std::string& text : kanji_texts) {
    auto lattice = reading_lattice(index, text, options);
    nodes += lattice.value().node_count();
    max_nodes = std::max(max_nodes, lattice.value().node_count());
    auto listed = reading_strings(index, text, options);
    if (!listed.ok()) {
      std::printf("%s: %s\n", text.c_str(), message(listed.error()).c_str());
      continue;
    }
    strings += listed.value().size();
  }
  std::printf("kanji texts: %.1f lattice nodes (max %llu), %.1f reading strings on average\n",
              static_cast<double>(nodes) / kanji_texts.size(),
              static_cast<unsigned long long>(max_nodes),
              static_cast<double>(strings) / kanji_texts.size());

  LatticeWorkspace workspace;
  int too_large = 0;
  for (std::size_t i = 0; i + 1 < kanji_texts.size(); i += 2) {
    auto left = reading_lattice(index, kanji_texts[i], options);
    auto right = reading_lattice(index, kanji_texts[i + 1], options);
    too_large += !lattice_levenshtein(left.value(), right.value(), workspace).ok();
  }
  std::printf("kanji pairs over the lattice state limit: %d of %zu\n", too_large,
              kanji_texts.size() / 2);
  ReadingPathTable table;
  report("segmentation alone, kanji text", seconds_per_call([&] {
           check(table.build(index, text_at(kanji_texts), options, false));
         }));
  report("distance: both lattices + search, kanji pair", seconds_per_call([&] {
           auto left = reading_lattice(index, text_at(kanji_texts), options);
           auto right = reading_lattice(index, text_at(kanji_texts), options);
           // Pairs over the state limit fail fast; they are counted below.
           (void)lattice_levenshtein(left.value(), right.value(), workspace);
         }));
  report("best_reading_similarity, kanji pair", seconds_per_call([&] {
           auto s = best_reading_similarity(index, text_at(kanji_texts), text_at(kanji_texts),
                                            options);
           check(s);
         }));
  report("best_reading_similarity, kana pair", seconds_per_call([&] {
           auto s = best_reading_similarity(index, text_at(kana_texts), text_at(kana_texts),
                                            options);
           check(s);
         }));
  return 0;
}
