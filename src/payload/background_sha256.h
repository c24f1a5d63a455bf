// BackgroundSha256: SHA-256 of bytes handed over piece by piece, like
// Sha256, hashed on a thread of its own once the input grows large, so that
// the hash of a long canonical text runs beside the walk that writes it.
//
//   BackgroundSha256 hash;
//   hash.update(first_part);   // copied, then hashed by the thread
//   hash.update(second_part);
//   std::string hex = hash.hex_digest();
//
// SHA-256 runs at little over a gigabyte a second, about as fast as a
// payload's entries are checked and written out as text: hashed on the
// walking thread, it made the checksum of a large index cost half as much
// again as its load. A small input is hashed inline, where starting a
// thread would cost more than it spares; the
// thread starts once the input passes BackgroundHashing::inline_bytes, and
// takes over the same hash, so the digest is the one Sha256 gives whatever
// happens. The caller's bytes pass through a few slots of fixed size: a
// walk that runs ahead of the hash waits for a free slot, and the memory
// stays bounded whatever the input's length.
//
// Where a thread cannot be had (one processor, or the system refuses one)
// every byte is hashed inline. Nothing is thrown. Destroying the object
// before hex_digest(), as an early return does, stops the thread and joins
// it; the bytes not yet hashed are dropped.
//
// One object is used by one thread at a time; any number of them may run
// at once on different threads. A process may fork while hashes run (a
// signal handler run by the walk may fork): the child goes on with the
// hashes of its one thread inline, and gets the same digests.
#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "payload/sha256.h"

namespace lumra::payload {

struct BackgroundHashing {
  // Hashed inline before a thread is started.
  std::size_t inline_bytes = 1u << 20;
  // Behaves as if the system refused the thread: the fallback's test hook.
  bool refuse_thread = false;
};

class BackgroundSha256 {
 public:
  // Slots large enough that handing one over costs little beside hashing
  // it, and few enough that the memory stays small: the walk may run ahead
  // of the hash by kSlots - 1 full slots.
  static constexpr std::size_t kSlots = 4;
  static constexpr std::size_t kSlotBytes = 256 * 1024;

  explicit BackgroundSha256(BackgroundHashing options = {});
  ~BackgroundSha256();
  // The thread refers to the object.
  BackgroundSha256(const BackgroundSha256&) = delete;
  BackgroundSha256& operator=(const BackgroundSha256&) = delete;

  void update(std::string_view bytes);

  // The digest of everything updated, as 64 lower-case hexadecimal digits.
  // Waits for the thread and ends it: later updates start a new hash,
  // inline until the input grows large again.
  std::string hex_digest();

  // Whether a thread took part in the last hex_digest()'s hash (for tests).
  bool last_digest_used_thread() const { return last_digest_used_thread_; }

 private:
  void start_thread();
  void hash_slots();
  // Hands the slot being filled to the thread and waits for a free one.
  void hand_over_filling_slot();
  // Tells the thread to stop once the slots handed over are hashed
  // (`drop_rest`: at once) and joins it.
  void stop_thread(bool drop_rest);

  // pthread_atfork handlers over every object whose thread runs: before a
  // fork, each thread is held between two slots, so that the child's copy
  // of the hash is whole; the child, which has no such thread, hashes the
  // slots left inline and carries on without one.
  static void hold_threads_for_fork();
  static void release_threads_after_fork();
  static void take_over_hashes_in_child();

  BackgroundHashing options_;
  Sha256 hash_;
  std::size_t inline_so_far_ = 0;
  bool thread_refused_ = false;
  bool last_digest_used_thread_ = false;

  // Touched by the caller only while no thread runs, or for the slot being
  // filled, which the thread does not read until it is handed over.
  std::unique_ptr<char[]> slots_;
  std::size_t filling_ = 0;
  std::size_t filled_bytes_ = 0;

  // Shared with the thread, under the mutex: slots handed over and not yet
  // hashed are [first_ready_, first_ready_ + ready_) modulo kSlots.
  std::mutex mutex_;
  std::condition_variable slot_ready_;
  std::condition_variable slot_free_;
  std::size_t first_ready_ = 0;
  std::size_t ready_ = 0;
  std::array<std::size_t, kSlots> slot_bytes_{};
  bool ending_ = false;
  bool dropping_ = false;
  // The thread is hashing a slot, outside the lock.
  bool hashing_ = false;

  std::thread thread_;
};

}  // namespace lumra::payload
