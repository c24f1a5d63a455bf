// Times the FST map writer and reader on 1,000,000 sorted keys shaped like
// dictionary surfaces (1 to 8 characters, mostly 3-byte UTF-8) whose values
// are increasing record offsets, as in an indexed payload. See README.md.
#include <algorithm>
#include <ctime>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "artifacts/fst/fst_map.h"
#include "artifacts/fst/fst_map_builder.h"
#include "artifacts/fst/fst_stream.h"

namespace {

// Process CPU time rather than wall time: the machine is small and shared,
// and CPU time does not count the moments another process holds the core.
struct Clock {
  using time_point = double;
  static double now() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
  }
};

double seconds_since(double start) { return Clock::now() - start; }

std::vector<std::string> surfaces(std::size_t count) {
  // 200 kana and kanji code points around U+3041 and U+6771, a few ASCII.
  std::vector<std::string> alphabet;
  auto utf8 = [](char32_t c) {
    std::string s;
    s += static_cast<char>(0xE0 | (c >> 12));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
    return s;
  };
  for (char32_t c = 0x3041; c < 0x3041 + 80; ++c) alphabet.push_back(utf8(c));
  for (char32_t c = 0x6771; c < 0x6771 + 110; ++c) alphabet.push_back(utf8(c));
  for (char c = 'a'; c < 'a' + 10; ++c) alphabet.push_back(std::string(1, c));
  std::mt19937_64 rng(1);
  std::vector<std::string> keys;
  while (keys.size() < count) {
    while (keys.size() < count + count / 8) {
      std::string key;
      for (std::size_t n = 1 + rng() % 4 + rng() % 5; n > 0; --n) key += alphabet[rng() % alphabet.size()];
      keys.push_back(std::move(key));
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  }
  // Drop surplus keys evenly so the set stays random.
  std::shuffle(keys.begin(), keys.end(), rng);
  keys.resize(count);
  std::sort(keys.begin(), keys.end());
  return keys;
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t count = argc > 1 ? std::stoul(argv[1]) : 1'000'000;
  const std::vector<std::string> keys = surfaces(count);
  double key_bytes = 0;
  for (const auto& k : keys) key_bytes += static_cast<double>(k.size());
  std::printf("keys: %zu sorted surfaces, %.1f bytes on average\n", keys.size(),
              key_bytes / static_cast<double>(keys.size()));

  Clock::time_point start = Clock::now();
  lumra::fst::FstMapBuilder builder;
  std::uint64_t offset = 0;
  for (const std::string& key : keys) {
    if (!builder.add(key, offset).ok()) return 1;
    offset += 4 + 4 + 9 + key.size() % 7;  // a record of one or two readings
  }
  const std::vector<std::uint8_t> bytes = std::move(builder).finish();
  double elapsed = seconds_since(start);
  std::printf("build:  %.3f s, %.2f M keys/s, %.1f MB/s of keys, %zu bytes (%.1f bytes/key)\n",
              elapsed, static_cast<double>(keys.size()) / elapsed / 1e6, key_bytes / elapsed / 1e6,
              bytes.size(),
              static_cast<double>(bytes.size()) / static_cast<double>(keys.size()));

  start = Clock::now();
  auto opened = lumra::fst::FstMap::open(bytes);
  elapsed = seconds_since(start);
  if (!opened.ok()) return 1;
  const lumra::fst::FstMap& map = opened.value();
  std::printf("open:   %.3f s (every reachable node validated)\n", elapsed);

  start = Clock::now();
  lumra::fst::FstStream stream(map);
  std::uint64_t walked = 0;
  while (true) {
    auto more = stream.next();
    if (!more.ok()) return 1;
    if (!more.value()) break;
    ++walked;
  }
  elapsed = seconds_since(start);
  std::printf("walk:   %.3f s, %.2f M pairs/s\n", elapsed, static_cast<double>(walked) / elapsed / 1e6);

  std::uint64_t checksum = 0;
  start = Clock::now();
  for (const std::string& key : keys) checksum += map.get(key).value_or(1);
  elapsed = seconds_since(start);
  std::printf("get:    %.2f M hits/s (key order, warm caches)\n", static_cast<double>(keys.size()) / elapsed / 1e6);

  std::vector<const std::string*> order;
  for (const std::string& key : keys) order.push_back(&key);
  std::shuffle(order.begin(), order.end(), std::mt19937_64(2));
  start = Clock::now();
  for (const std::string* key : order) checksum += map.get(*key).value_or(1);
  elapsed = seconds_since(start);
  std::printf("get:    %.2f M hits/s (random order)\n", static_cast<double>(order.size()) / elapsed / 1e6);

  std::vector<std::string> misses;
  for (std::size_t i = 0; i < order.size(); i += 4) misses.push_back(*order[i] + "\xe3\x80\x80");
  start = Clock::now();
  for (const std::string& key : misses) checksum += map.get(key).value_or(1);
  elapsed = seconds_since(start);
  std::printf("get:    %.2f M misses/s (a key plus one character)\n",
              static_cast<double>(misses.size()) / elapsed / 1e6);
  std::printf("(checksum %llu)\n", static_cast<unsigned long long>(checksum));
  return 0;
}
