// A source of YAML bytes that libyaml pulls from as it parses, so that a
// document of hundreds of megabytes is never held whole.
#pragma once

#include <cstddef>

namespace lumra::payload {

class YamlInput {
 public:
  virtual ~YamlInput() = default;

  // Fills up to `capacity` bytes of `buffer` and sets `size` to the count;
  // 0 means the input has ended. Returns false when the input failed; the
  // input keeps its reason for its owner to report.
  virtual bool read(unsigned char* buffer, std::size_t capacity, std::size_t& size) = 0;
};

}  // namespace lumra::payload
