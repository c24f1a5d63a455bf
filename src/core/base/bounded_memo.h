// Results worth keeping from one call to the next, up to a budget of
// bytes, the least recently used given up first.
//
// Shared by every thread that calls into the owner, so each access takes a
// lock, but never waits for it: a memo that another thread holds at that
// moment is simply not used, as if it had nothing (find) or no room (keep).
// A lookup costs a hash of its key, and a process forked while some thread
// held the lock has a child that goes on without the memo instead of
// waiting for ever on a lock nobody will release.
#pragma once

#include <cstddef>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace lumra {

template <class Value>
class BoundedMemo {
 public:
  // Entries above `largest_entry_bytes` are not kept at all: one of them
  // would push out many small ones that are asked for more often.
  BoundedMemo(std::size_t budget_bytes, std::size_t largest_entry_bytes)
      : budget_bytes_(budget_bytes), largest_entry_bytes_(largest_entry_bytes) {}
  BoundedMemo(const BoundedMemo&) = delete;
  BoundedMemo& operator=(const BoundedMemo&) = delete;

  // The value kept under `key`, or nullptr.
  std::shared_ptr<const Value> find(std::string_view key) {
    std::unique_lock lock(mutex_, std::try_to_lock);
    if (!lock.owns_lock()) return nullptr;
    const auto found = by_key_.find(key);
    if (found == by_key_.end()) return nullptr;
    recent_.splice(recent_.begin(), recent_, found->second);
    return found->second->value;
  }

  // Keeps `value` under `key`, said to take `bytes`, unless the key is
  // already there (the value is the same) or it is too large to keep.
  void keep(std::string_view key, std::shared_ptr<const Value> value, std::size_t bytes) {
    const std::size_t charged = bytes + key.size() + kEntryOverhead;
    if (charged > largest_entry_bytes_ || charged > budget_bytes_) return;
    std::unique_lock lock(mutex_, std::try_to_lock);
    if (!lock.owns_lock() || by_key_.contains(key)) return;
    while (bytes_ + charged > budget_bytes_) {
      by_key_.erase(recent_.back().key);
      bytes_ -= recent_.back().charged;
      recent_.pop_back();
    }
    recent_.push_front(Entry{std::string(key), std::move(value), charged});
    // The map's key views the entry's own string, which stays put in the
    // list node for as long as the entry lives.
    by_key_.emplace(recent_.front().key, recent_.begin());
    bytes_ += charged;
  }

  std::size_t bytes() const {
    std::lock_guard lock(mutex_);
    return bytes_;
  }

 private:
  // A list node, a map node and the bucket: about what an entry costs
  // beyond its key and value.
  static constexpr std::size_t kEntryOverhead = 128;

  struct Entry {
    std::string key;
    std::shared_ptr<const Value> value;
    std::size_t charged;
  };

  const std::size_t budget_bytes_;
  const std::size_t largest_entry_bytes_;
  mutable std::mutex mutex_;
  std::list<Entry> recent_;  // most recently used first
  std::unordered_map<std::string_view, typename std::list<Entry>::iterator> by_key_;
  std::size_t bytes_ = 0;
};

}  // namespace lumra
