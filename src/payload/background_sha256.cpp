#include "payload/background_sha256.h"

#include <pthread.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <system_error>
#include <utility>
#include <vector>

namespace lumra::payload {

namespace {

// The objects whose thread runs, for the fork handlers. Never destroyed: a
// fork may come while static objects are being destroyed at exit.
struct RunningHashes {
  std::mutex mutex;
  std::vector<BackgroundSha256*> hashes;
};

RunningHashes& running_hashes() {
  static RunningHashes* const running = new RunningHashes;
  return *running;
}

}  // namespace

BackgroundSha256::BackgroundSha256(BackgroundHashing options) : options_(options) {}

BackgroundSha256::~BackgroundSha256() {
  if (thread_.joinable()) stop_thread(/*drop_rest=*/true);
}

void BackgroundSha256::update(std::string_view bytes) {
  while (!bytes.empty()) {
    if (!thread_.joinable()) {
      if (!thread_refused_ && inline_so_far_ >= options_.inline_bytes) {
        start_thread();
        continue;
      }
      const std::size_t inline_part =
          thread_refused_ ? bytes.size()
                          : std::min(bytes.size(), options_.inline_bytes - inline_so_far_);
      hash_.update(bytes.substr(0, inline_part));
      inline_so_far_ += inline_part;
      bytes.remove_prefix(inline_part);
      continue;
    }
    const std::size_t part = std::min(bytes.size(), kSlotBytes - filled_bytes_);
    std::memcpy(slots_.get() + filling_ * kSlotBytes + filled_bytes_, bytes.data(), part);
    filled_bytes_ += part;
    bytes.remove_prefix(part);
    if (filled_bytes_ == kSlotBytes) hand_over_filling_slot();
  }
}

std::string BackgroundSha256::hex_digest() {
  last_digest_used_thread_ = thread_.joinable();
  if (thread_.joinable()) {
    if (filled_bytes_ > 0) hand_over_filling_slot();
    stop_thread(/*drop_rest=*/false);
  }
  inline_so_far_ = 0;
  return hash_.hex_digest();
}

void BackgroundSha256::start_thread() {
  // Threads are refused for good: a system short of them now will not be
  // better off a chunk later, and each try costs a system call.
  if (std::thread::hardware_concurrency() <= 1) {
    thread_refused_ = true;
    return;
  }
  try {
    if (options_.refuse_thread) {
      throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    }
    // Not zeroed: every byte hashed was copied in first.
    if (!slots_) slots_.reset(new char[kSlots * kSlotBytes]);
    static const bool fork_handled = [] {
      return pthread_atfork(&hold_threads_for_fork, &release_threads_after_fork,
                            &take_over_hashes_in_child) == 0;
    }();
    // Without the handlers a child forked mid-hash would wait for ever.
    if (!fork_handled) {
      thread_refused_ = true;
      return;
    }
    RunningHashes& running = running_hashes();
    std::lock_guard running_lock(running.mutex);
    running.hashes.reserve(running.hashes.size() + 1);
    thread_ = std::thread([this] { hash_slots(); });
    running.hashes.push_back(this);
  } catch (const std::system_error&) {
    thread_refused_ = true;
  } catch (const std::bad_alloc&) {
    thread_refused_ = true;
  }
}

void BackgroundSha256::hash_slots() {
  for (;;) {
    std::size_t slot = 0;
    std::size_t bytes = 0;
    {
      std::unique_lock lock(mutex_);
      slot_ready_.wait(lock, [this] { return ready_ > 0 || ending_; });
      if (dropping_ || ready_ == 0) return;
      slot = first_ready_;
      bytes = slot_bytes_[slot];
      hashing_ = true;
    }
    // The slot is the caller's again only once it leaves the ready range
    // below, so it is read here unlocked.
    hash_.update(std::string_view(slots_.get() + slot * kSlotBytes, bytes));
    {
      std::lock_guard lock(mutex_);
      hashing_ = false;
      first_ready_ = (first_ready_ + 1) % kSlots;
      --ready_;
    }
    // Both the caller and a fork about to happen may be waiting.
    slot_free_.notify_all();
  }
}

void BackgroundSha256::hand_over_filling_slot() {
  std::unique_lock lock(mutex_);
  slot_bytes_[filling_] = filled_bytes_;
  ++ready_;
  slot_ready_.notify_one();
  // The ready range ends at the slot just handed over; the next slot is
  // free unless the range has come round to it.
  filling_ = (filling_ + 1) % kSlots;
  filled_bytes_ = 0;
  slot_free_.wait(lock, [this] { return ready_ < kSlots; });
}

void BackgroundSha256::stop_thread(bool drop_rest) {
  {
    RunningHashes& running = running_hashes();
    std::lock_guard running_lock(running.mutex);
    std::erase(running.hashes, this);
  }
  {
    std::lock_guard lock(mutex_);
    ending_ = true;
    dropping_ = drop_rest;
  }
  slot_ready_.notify_one();
  thread_.join();
  // The thread is gone: everything is the caller's again, ready for a new
  // hash.
  ending_ = false;
  dropping_ = false;
  first_ready_ = 0;
  ready_ = 0;
  filling_ = 0;
  filled_bytes_ = 0;
}

void BackgroundSha256::hold_threads_for_fork() {
  RunningHashes& running = running_hashes();
  running.mutex.lock();
  for (BackgroundSha256* hash : running.hashes) {
    std::unique_lock lock(hash->mutex_);
    hash->slot_free_.wait(lock, [hash] { return !hash->hashing_; });
    // Held through the fork: the thread takes no new slot meanwhile.
    lock.release();
  }
}

void BackgroundSha256::release_threads_after_fork() {
  RunningHashes& running = running_hashes();
  for (BackgroundSha256* hash : running.hashes) hash->mutex_.unlock();
  running.mutex.unlock();
}

void BackgroundSha256::take_over_hashes_in_child() {
  RunningHashes& running = running_hashes();
  for (BackgroundSha256* hash : running.hashes) {
    // The slots handed over and the one being filled, in their order.
    for (std::size_t k = 0; k < hash->ready_; ++k) {
      const std::size_t slot = (hash->first_ready_ + k) % kSlots;
      hash->hash_.update(
          std::string_view(hash->slots_.get() + slot * kSlotBytes, hash->slot_bytes_[slot]));
    }
    hash->hash_.update(
        std::string_view(hash->slots_.get() + hash->filling_ * kSlotBytes, hash->filled_bytes_));
    hash->first_ready_ = 0;
    hash->ready_ = 0;
    hash->filling_ = 0;
    hash->filled_bytes_ = 0;
    hash->thread_refused_ = true;
    // The handle names a thread the child does not have: it can be neither
    // joined nor destroyed, so a handle to no thread is made over it. The
    // same for the condition variables, whose destruction would wait for
    // that thread to stop waiting.
    new (&hash->thread_) std::thread();
    new (&hash->slot_ready_) std::condition_variable();
    new (&hash->slot_free_) std::condition_variable();
    hash->mutex_.unlock();
  }
  running.hashes.clear();
  running.mutex.unlock();
}

}  // namespace lumra::payload
