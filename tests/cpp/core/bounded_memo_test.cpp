// BoundedMemo against a model that keeps its entries in a plain list, most
// recently used first, and drops from the back while over budget.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/base/bounded_memo.h"

namespace lumra {
namespace {

// What the memo charges an entry beyond its value: its key and 128 bytes.
constexpr std::size_t kOverhead = 128;

struct ModelEntry {
  std::string key;
  int value;
  std::size_t charged;
};

class Model {
 public:
  Model(std::size_t budget, std::size_t largest) : budget_(budget), largest_(largest) {}

  const int* find(const std::string& key) {
    const auto at = std::find_if(entries_.begin(), entries_.end(),
                                 [&](const ModelEntry& e) { return e.key == key; });
    if (at == entries_.end()) return nullptr;
    std::rotate(entries_.begin(), at, at + 1);
    return &entries_.front().value;
  }

  void keep(const std::string& key, int value, std::size_t bytes) {
    const std::size_t charged = bytes + key.size() + kOverhead;
    if (charged > largest_ || charged > budget_) return;
    for (const ModelEntry& e : entries_) {
      if (e.key == key) return;
    }
    while (used() + charged > budget_) entries_.pop_back();
    entries_.insert(entries_.begin(), {key, value, charged});
  }

  // Called only with the value that the memo holds under `key`.
  void recharge(const std::string& key, std::size_t bytes) {
    const auto at = std::find_if(entries_.begin(), entries_.end(),
                                 [&](const ModelEntry& e) { return e.key == key; });
    if (at == entries_.end()) return;
    at->charged = bytes + key.size() + kOverhead;
    if (at->charged > largest_ || at->charged > budget_) entries_.erase(at);
    while (used() > budget_) entries_.pop_back();
  }

  std::size_t used() const {
    std::size_t total = 0;
    for (const ModelEntry& e : entries_) total += e.charged;
    return total;
  }

 private:
  std::size_t budget_;
  std::size_t largest_;
  std::vector<ModelEntry> entries_;
};

TEST(BoundedMemo, KeepsAndDropsWhatTheLeastRecentlyUsedModelKeeps) {
  std::mt19937 random(5);
  for (int round = 0; round < 200; ++round) {
    const std::size_t budget = 200 + random() % 2000;
    const std::size_t largest = 150 + random() % 1000;
    BoundedMemo<int> memo(budget, largest);
    Model model(budget, largest);
    for (int step = 0; step < 300; ++step) {
      // Few keys, so that finds hit, keys repeat and entries are evicted.
      const std::string key(1 + random() % 4, static_cast<char>('a' + random() % 5));
      const unsigned op = random() % 5;
      if (op == 0) {
        // Grown or shrunk, under the value it holds; a value that is no
        // longer (or never was) the one kept under the key charges nothing.
        const std::shared_ptr<const int> held = memo.find(key);
        model.find(key);
        const std::size_t bytes = random() % (largest + 64);
        const int other = 0;
        const bool same = random() % 4 != 0;
        memo.recharge(key, same && held ? held.get() : &other, bytes);
        if (same && held) model.recharge(key, bytes);
      } else if (op % 2 == 0) {
        const std::shared_ptr<const int> got = memo.find(key);
        const int* expected = model.find(key);
        ASSERT_EQ(got != nullptr, expected != nullptr) << round << ' ' << step << ' ' << key;
        if (got) {
          ASSERT_EQ(*got, *expected);
        }
      } else {
        const int value = static_cast<int>(random() % 1000);
        const std::size_t bytes = random() % (largest + 64);
        memo.keep(key, std::make_shared<const int>(value), bytes);
        model.keep(key, value, bytes);
      }
      ASSERT_EQ(memo.bytes(), model.used()) << round << ' ' << step;
      ASSERT_LE(memo.bytes(), budget);
    }
  }
}

TEST(BoundedMemo, ValuesOutliveTheirEviction) {
  BoundedMemo<std::string> memo(1000, 1000);
  memo.keep("a", std::make_shared<const std::string>("first"), 600);
  const std::shared_ptr<const std::string> held = memo.find("a");
  memo.keep("b", std::make_shared<const std::string>("second"), 600);  // evicts "a"
  EXPECT_EQ(memo.find("a"), nullptr);
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(*held, "first");
}

TEST(BoundedMemo, ThreadsFindOnlyWhatWasKeptUnderTheKey) {
  // A busy memo is passed over, never waited on: under contention some
  // finds miss, but none returns another key's value.
  BoundedMemo<std::string> memo(1 << 16, 1 << 12);
  std::vector<std::thread> threads;
  std::vector<int> wrong(8, 0);
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      std::mt19937 random(t);
      for (int i = 0; i < 20000; ++i) {
        const std::string key = std::to_string(random() % 300);
        if (const auto got = memo.find(key)) {
          wrong[t] += *got != key;
        } else {
          memo.keep(key, std::make_shared<const std::string>(key), random() % 2000);
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < 8; ++t) EXPECT_EQ(wrong[t], 0);
  EXPECT_LE(memo.bytes(), std::size_t{1} << 16);
}

// A value that counts its destruction, and may hold it up until released.
struct Watched {
  Watched(int* destroyed, std::atomic<bool>* destroying = nullptr,
          const std::atomic<bool>* release = nullptr)
      : destroyed(destroyed), destroying(destroying), release(release) {}
  ~Watched() {
    if (destroying) {
      *destroying = true;
      while (!*release) std::this_thread::yield();
    }
    ++*destroyed;
  }
  int* destroyed;
  std::atomic<bool>* destroying;
  const std::atomic<bool>* release;
};

TEST(BoundedMemo, AForkedCopyOfAMemoInUseIsNeitherUsedNorFreed) {
  // The child of a fork made while another thread changed the memo has a
  // lock nobody will release and entries that may be half linked: it must
  // not wait for them, nor free them.
  static int destroyed = 0;
  std::atomic<bool> evicting = false;
  std::atomic<bool> release = false;
  auto* memo = new BoundedMemo<Watched>(1000, 1000);
  memo->keep("old", std::make_shared<const Watched>(&destroyed, &evicting, &release), 300);
  memo->keep("kept", std::make_shared<const Watched>(&destroyed), 300);
  // Keeping a third evicts "old", whose destruction holds the lock.
  std::thread evictor(
      [&] { memo->keep("new", std::make_shared<const Watched>(&destroyed), 300); });
  while (!evicting) std::this_thread::yield();
  const pid_t child = fork();
  if (child == 0) {
    const bool passed_over = memo->find("kept") == nullptr;
    delete memo;
    _exit(passed_over && destroyed == 0 ? 0 : 1);
  }
  release = true;
  evictor.join();
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  delete memo;  // here, with the lock free, every entry is freed
  EXPECT_EQ(destroyed, 3);
}

}  // namespace
}  // namespace lumra
