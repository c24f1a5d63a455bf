#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "payload/background_sha256.h"
#include "payload/canonical_digest.h"
#include "payload/sha256.h"

namespace lumra::payload {
namespace {

constexpr std::size_t kSlot = BackgroundSha256::kSlotBytes;

// Bytes that differ from slot to slot, so that a slot hashed twice, out of
// order or not at all changes the digest.
std::string text_of(std::size_t size, unsigned seed = 1) {
  std::string text(size, '\0');
  std::uint32_t state = seed * 2654435761u + 1;
  for (char& c : text) {
    state = state * 1664525u + 1013904223u;
    c = static_cast<char>(state >> 24);
  }
  return text;
}

std::string inline_sha256(std::string_view text) {
  Sha256 hash;
  hash.update(text);
  return hash.hex_digest();
}

// Feeds `text` in pieces of growing size, from empty ones to pieces of
// several slots.
void feed_unevenly(BackgroundSha256& hash, std::string_view text) {
  std::size_t at = 0;
  for (std::size_t step = 0; at < text.size(); step = step * 3 + 1) {
    hash.update(text.substr(at, step));
    at += std::min(step, text.size() - at);
  }
}

struct SizeCase {
  std::size_t size;
  std::size_t inline_bytes;
};

class BackgroundSha256Sizes : public testing::TestWithParam<SizeCase> {};

TEST_P(BackgroundSha256Sizes, EqualsTheInlineDigest) {
  const SizeCase c = GetParam();
  const std::string text = text_of(c.size);
  BackgroundSha256 hash(BackgroundHashing{.inline_bytes = c.inline_bytes});
  feed_unevenly(hash, text);
  EXPECT_EQ(hash.hex_digest(), inline_sha256(text));
  if (std::thread::hardware_concurrency() > 1) {
    EXPECT_EQ(hash.last_digest_used_thread(), c.size > c.inline_bytes);
  }
  // The object starts afresh, a thread again when the input is large.
  const std::string second = text_of(c.size, 2);
  hash.update(second);
  EXPECT_EQ(hash.hex_digest(), inline_sha256(second));
}

INSTANTIATE_TEST_SUITE_P(
    AroundTheSlotSize, BackgroundSha256Sizes,
    testing::Values(SizeCase{0, 0}, SizeCase{1, 0}, SizeCase{kSlot - 1, 0}, SizeCase{kSlot, 0},
                    SizeCase{kSlot + 1, 0}, SizeCase{13 * kSlot + 5, 0},
                    // The thread takes over in the middle of a piece.
                    SizeCase{13 * kSlot + 5, kSlot + 7}, SizeCase{kSlot + 7, kSlot + 7},
                    SizeCase{3 * kSlot, 4u << 20}));

TEST(BackgroundSha256Test, RefusedThreadHashesInline) {
  const std::string text = text_of(9 * kSlot + 3);
  BackgroundSha256 hash(BackgroundHashing{.inline_bytes = 0, .refuse_thread = true});
  feed_unevenly(hash, text);
  EXPECT_EQ(hash.hex_digest(), inline_sha256(text));
  EXPECT_FALSE(hash.last_digest_used_thread());
}

// Dropped with slots still waiting, as an early return drops it: the thread
// stops and is joined (a hang or a leak shows up here, and under the
// sanitizers).
TEST(BackgroundSha256Test, DroppedMidwayStopsTheThread) {
  const std::string text = text_of(40 * kSlot);
  for (std::size_t stop_at : {std::size_t{1}, kSlot, 7 * kSlot + 9, 40 * kSlot}) {
    BackgroundSha256 hash(BackgroundHashing{.inline_bytes = 0});
    hash.update(std::string_view(text).substr(0, stop_at));
  }
  CanonicalDigest digest(CanonicalHash::kSha256, BackgroundHashing{.inline_bytes = 0});
  digest.text().field('r', text);
}

// A fork while the thread hashes (a signal handler run by a load may fork):
// the child, which has no such thread, finishes or drops the hash without
// waiting for it, and both sides get the digest of the whole text.
TEST(BackgroundSha256Test, ForkMidHashLeavesBothSidesWhole) {
  const std::string text = text_of(24 * kSlot + 5);
  const std::string expected = inline_sha256(text);
  for (bool child_drops : {false, true}) {
    for (std::size_t fork_at : {kSlot / 2, 3 * kSlot, 9 * kSlot + 1}) {
      std::optional<BackgroundSha256> hash(std::in_place, BackgroundHashing{.inline_bytes = 0});
      hash->update(std::string_view(text).substr(0, fork_at));
      const pid_t child = fork();
      ASSERT_NE(child, -1);
      if (child == 0) {
        alarm(30);  // a hang fails the test instead of stalling it
        hash->update(std::string_view(text).substr(fork_at));
        if (child_drops) {
          hash.reset();
          _exit(0);
        }
        _exit(hash->hex_digest() == expected ? 0 : 1);
      }
      hash->update(std::string_view(text).substr(fork_at));
      EXPECT_EQ(hash->hex_digest(), expected);
      int status = 0;
      ASSERT_EQ(waitpid(child, &status, 0), child);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
          << "fork at " << fork_at << (child_drops ? ", dropped" : "") << ": status " << status;
    }
  }
}

TEST(BackgroundSha256Test, ManyAtOnce) {
  constexpr int kThreads = 6;
  std::vector<std::string> digests(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &digests] {
      CanonicalDigest digest(CanonicalHash::kSha256, BackgroundHashing{.inline_bytes = 0});
      const std::string text = text_of(5 * kSlot + static_cast<std::size_t>(t), t);
      for (std::size_t at = 0; at < text.size(); at += 1000) {
        digest.text().field('r', std::string_view(text).substr(at, 1000));
      }
      digests[t] = digest.hex_digest();
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) {
    CanonicalDigest inline_digest(CanonicalHash::kSha256,
                                  BackgroundHashing{.refuse_thread = true});
    const std::string text = text_of(5 * kSlot + static_cast<std::size_t>(t), t);
    for (std::size_t at = 0; at < text.size(); at += 1000) {
      inline_digest.text().field('r', std::string_view(text).substr(at, 1000));
    }
    EXPECT_EQ(digests[t], inline_digest.hex_digest()) << t;
  }
}

}  // namespace
}  // namespace lumra::payload
