#include "payload/background_sha256.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <system_error>
#include <utility>

namespace lumra::payload {

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
    thread_ = std::thread([this] { hash_slots(); });
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
    }
    // The slot is the caller's again only once it leaves the ready range
    // below, so it is read here unlocked.
    hash_.update(std::string_view(slots_.get() + slot * kSlotBytes, bytes));
    {
      std::lock_guard lock(mutex_);
      first_ready_ = (first_ready_ + 1) % kSlots;
      --ready_;
    }
    slot_free_.notify_one();
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

}  // namespace lumra::payload
