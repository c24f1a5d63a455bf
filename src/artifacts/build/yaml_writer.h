// Writing a YAML document through libyaml's emitter, which does the quoting
// and escaping. Text values are always double-quoted, so that no value that
// looks like a number, a bool or null ("1", "true", "~") changes type when
// read back; numbers and bools are written plain.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/base/result.h"

namespace lumra::artifacts::build {

class YamlWriter {
 public:
  YamlWriter();
  ~YamlWriter();
  YamlWriter(const YamlWriter&) = delete;
  YamlWriter& operator=(const YamlWriter&) = delete;

  void begin_mapping();
  void end_mapping();
  void begin_sequence();
  void end_sequence();
  // A mapping key (plain when it is a simple word).
  void key(std::string_view name);
  void text(std::string_view value);
  void number(std::uint64_t value);
  void boolean(bool value);

  // The document, or the emitter's complaint (after any call failed, the
  // later calls do nothing).
  Result<std::string, std::string> finish();

 private:
  struct State;
  void scalar(std::string_view value, bool quoted);
  std::unique_ptr<State> state_;
};

}  // namespace lumra::artifacts::build
