// TextList: a list of short texts stored end to end in one buffer.
//
// Romaji expansions produce many short strings; keeping them in one byte
// buffer with their end offsets costs two allocations per list instead of
// one per string, and lists that are cleared and refilled stop allocating.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace lumra::ja {

class TextList {
 public:
  class Iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = std::string_view;
    using reference = std::string_view;
    using pointer = void;
    using difference_type = std::ptrdiff_t;
    Iterator() = default;
    Iterator(const TextList* list, std::size_t index) : list_(list), index_(index) {}
    std::string_view operator*() const { return (*list_)[index_]; }
    Iterator& operator++() {
      ++index_;
      return *this;
    }
    Iterator operator++(int) {
      Iterator before = *this;
      ++index_;
      return before;
    }
    bool operator==(const Iterator& other) const { return index_ == other.index_; }

   private:
    const TextList* list_ = nullptr;
    std::size_t index_ = 0;
  };

  TextList() = default;
  TextList(std::initializer_list<std::string_view> texts) {
    for (std::string_view text : texts) push_back(text);
  }

  std::size_t size() const { return ends_.size(); }
  bool empty() const { return ends_.empty(); }
  std::string_view operator[](std::size_t i) const {
    const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
    return std::string_view(bytes_).substr(begin, ends_[i] - begin);
  }
  Iterator begin() const { return {this, 0}; }
  Iterator end() const { return {this, size()}; }
  // Bytes of all texts together.
  std::size_t total_bytes() const { return bytes_.size(); }

  void clear() {
    bytes_.clear();
    ends_.clear();
  }
  void push_back(std::string_view text) {
    bytes_.append(text);
    ends_.push_back(bytes_.size());
  }
  // Appends `head` followed by `tail` as one text. Neither may view this
  // list's own buffer, which may move.
  void push_back(std::string_view head, std::string_view tail) {
    bytes_.append(head);
    bytes_.append(tail);
    ends_.push_back(bytes_.size());
  }
  void append(const TextList& other) {
    for (std::string_view text : other) push_back(text);
  }

  // Sorts the texts in byte order and drops repeats.
  void sort_unique();

  std::vector<std::string> to_strings() const { return {begin(), end()}; }

  friend bool operator==(const TextList& a, const TextList& b) {
    return a.ends_ == b.ends_ && a.bytes_ == b.bytes_;
  }

 private:
  std::string bytes_;
  std::vector<std::size_t> ends_;
};

}  // namespace lumra::ja
