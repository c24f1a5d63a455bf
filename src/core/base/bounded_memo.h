// Results worth keeping from one call to the next, up to a budget of
// bytes, the least recently used given up first.
//
// Shared by every thread that calls into the owner, so each access takes a
// lock, but never waits for it: a memo that another thread holds at that
// moment is simply not used, as if it had nothing (find) or no room (keep).
// A lookup costs a hash of its key, and a process forked while some thread
// held the lock has a child that goes on without the memo instead of
// waiting for ever on a lock nobody will release. That child's copy of the
// entries may be half changed, so it never frees them either.
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
  // Nothing uses a memo while it is destroyed, so a held lock means that
  // this is a forked copy of one that a vanished thread was changing:
  // freeing its entries could follow a half-spliced list.
  ~BoundedMemo() {
    std::unique_lock lock(mutex_, std::try_to_lock);
    if (!lock.owns_lock()) static_cast<void>(entries_.release());
  }

  // The value kept under `key`, or nullptr.
  std::shared_ptr<const Value> find(std::string_view key) {
    std::unique_lock lock(mutex_, std::try_to_lock);
    if (!lock.owns_lock()) return nullptr;
    Entries& entries = *entries_;
    const auto found = entries.by_key.find(key);
    if (found == entries.by_key.end()) return nullptr;
    entries.recent.splice(entries.recent.begin(), entries.recent, found->second);
    return found->second->value;
  }

  // Keeps `value` under `key`, said to take `bytes`, unless the key is
  // already there (the value is the same) or it is too large to keep.
  void keep(std::string_view key, std::shared_ptr<const Value> value, std::size_t bytes) {
    const std::size_t charged = bytes + key.size() + kEntryOverhead;
    if (charged > largest_entry_bytes_ || charged > budget_bytes_) return;
    std::unique_lock lock(mutex_, std::try_to_lock);
    if (!lock.owns_lock()) return;
    Entries& entries = *entries_;
    if (entries.by_key.contains(key)) return;
    while (entries.bytes + charged > budget_bytes_) {
      entries.by_key.erase(entries.recent.back().key);
      entries.bytes -= entries.recent.back().charged;
      entries.recent.pop_back();
    }
    entries.recent.push_front(Entry{std::string(key), std::move(value), charged});
    // The map's key views the entry's own string, which stays put in the
    // list node for as long as the entry lives.
    entries.by_key.emplace(entries.recent.front().key, entries.recent.begin());
    entries.bytes += charged;
  }

  // The value kept under `key`, if it is `value`, now takes `bytes`: part
  // of it was made after it was kept. It is charged anew, and the least
  // recently used entries are given up while the memo is over its budget;
  // grown too large to keep, it is given up itself.
  void recharge(std::string_view key, const Value* value, std::size_t bytes) {
    const std::size_t charged = bytes + key.size() + kEntryOverhead;
    std::unique_lock lock(mutex_, std::try_to_lock);
    if (!lock.owns_lock()) return;
    Entries& entries = *entries_;
    const auto found = entries.by_key.find(key);
    if (found == entries.by_key.end() || found->second->value.get() != value) return;
    const auto entry = found->second;
    if (entry->charged == charged) return;
    entries.bytes = entries.bytes - entry->charged + charged;
    entry->charged = charged;
    if (charged > largest_entry_bytes_ || charged > budget_bytes_) {
      entries.bytes -= charged;
      entries.by_key.erase(found);
      entries.recent.erase(entry);
    }
    while (entries.bytes > budget_bytes_) {
      entries.by_key.erase(entries.recent.back().key);
      entries.bytes -= entries.recent.back().charged;
      entries.recent.pop_back();
    }
  }

  std::size_t bytes() const {
    std::lock_guard lock(mutex_);
    return entries_->bytes;
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

  struct Entries {
    std::list<Entry> recent;  // most recently used first
    std::unordered_map<std::string_view, typename std::list<Entry>::iterator> by_key;
    std::size_t bytes = 0;
  };

  const std::size_t budget_bytes_;
  const std::size_t largest_entry_bytes_;
  mutable std::mutex mutex_;
  std::unique_ptr<Entries> entries_ = std::make_unique<Entries>();
};

}  // namespace lumra
