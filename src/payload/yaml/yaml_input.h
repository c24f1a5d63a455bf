// A source of YAML bytes that libyaml pulls from as it parses, so that a
// document of hundreds of megabytes is never held whole.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace lumra::payload {

class YamlInput {
 public:
  virtual ~YamlInput() = default;

  // Fills up to `capacity` bytes of `buffer` and sets `size` to the count;
  // 0 means the input has ended. Returns false when the input failed; the
  // input keeps its reason for its owner to report.
  virtual bool read(unsigned char* buffer, std::size_t capacity, std::size_t& size) = 0;
};

// Bytes already read from an input, then the rest of that input.
class PrefixedInput final : public YamlInput {
 public:
  // `prefix` and `rest` must outlive this input.
  PrefixedInput(std::string_view prefix, YamlInput& rest) : prefix_(prefix), rest_(rest) {}

  bool read(unsigned char* buffer, std::size_t capacity, std::size_t& size) override {
    if (prefix_.empty()) return rest_.read(buffer, capacity, size);
    size = std::min(capacity, prefix_.size());
    std::memcpy(buffer, prefix_.data(), size);
    prefix_.remove_prefix(size);
    return true;
  }

 private:
  std::string_view prefix_;
  YamlInput& rest_;
};

}  // namespace lumra::payload
