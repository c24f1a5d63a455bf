// Writes maps with our FST writer for the reference crate to read back
// (check_our_writer.sh). For each map NAME it writes NAME.fst and
// NAME.expected, the exact text tools/fst-reference's `check` must print.
//
//   lumra_fst_samples OUTPUT_DIR
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include "artifacts/fst/fst_map_builder.h"

namespace {

using Pairs = std::map<std::string, std::uint64_t>;

bool write_sample(const std::string& dir, const std::string& name, const Pairs& pairs) {
  lumra::fst::FstMapBuilder builder;
  for (const auto& [key, value] : pairs) {
    if (!builder.add(key, value).ok()) return false;
  }
  const std::vector<std::uint8_t> bytes = std::move(builder).finish();
  std::ofstream fst(dir + "/" + name + ".fst", std::ios::binary);
  fst.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  std::ofstream expected(dir + "/" + name + ".expected");
  expected << "file " << name << ".fst\nchecksum ok\nlen " << pairs.size() << "\n";
  for (const auto& [key, value] : pairs) {
    char hex[3];
    for (unsigned char c : key) {
      std::snprintf(hex, sizeof hex, "%02x", c);
      expected << hex;
    }
    expected << '\t' << value << '\n';
  }
  return fst.good() && expected.good();
}

std::uint64_t any_size(std::mt19937_64& rng) {
  const std::uint64_t r = rng();
  return r >> (r % 64);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: lumra_fst_samples OUTPUT_DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  std::mt19937_64 rng(42);
  std::map<std::string, Pairs> samples;
  samples["empty"] = {};
  samples["empty_key"] = {{"", 0}};
  samples["empty_key_valued"] = {{"", 5}, {"a", 3}, {"ab", 3}};
  samples["large_values"] = {{"a", UINT64_MAX}, {"ab", UINT64_MAX - 1}, {"b", 1ull << 56}, {"c", 0}};
  Pairs& binary = samples["binary"];
  while (binary.size() < 3000) {
    std::string key(rng() % 9, '\0');
    for (char& c : key) c = static_cast<char>(rng() % 2 ? rng() : "\x00\xff"[rng() % 2]);
    binary[key] = any_size(rng);
  }
  Pairs& dense = samples["dense"];
  for (int b = 0; b < 256; ++b) {
    dense[std::string(1, static_cast<char>(b))] = static_cast<std::uint64_t>(b);
    dense[std::string("\x41") + static_cast<char>(b)] = 7;
    if (b < 40) dense[std::string("\x42") + static_cast<char>(b * 3)] = static_cast<std::uint64_t>(b) * 1000;
  }
  // Many states, heavy sharing and a registry that grows several times.
  Pairs& numbers = samples["numbers"];
  for (int i = 0; i < 200000; ++i) {
    char text[16];
    std::snprintf(text, sizeof text, "%07d", i * 3);
    numbers[text] = static_cast<std::uint64_t>(i) * 11;
  }
  for (const auto& [name, pairs] : samples) {
    if (!write_sample(dir, name, pairs)) {
      std::fprintf(stderr, "lumra_fst_samples: could not write %s\n", name.c_str());
      return 1;
    }
  }
  return 0;
}
