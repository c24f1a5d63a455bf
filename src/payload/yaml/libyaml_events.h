// The event stream of libyaml's parser: the reader of every YAML document,
// and the one whose errors, with their positions, the loaders report.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "payload/yaml/yaml_event.h"
#include "payload/yaml/yaml_input.h"

namespace lumra::payload {

class LibyamlEvents final : public YamlEventSource {
 public:
  // Parses `text`, which must outlive the source.
  explicit LibyamlEvents(std::string_view text);
  // Parses what `input` yields; `input` must outlive the source.
  explicit LibyamlEvents(YamlInput& input);
  ~LibyamlEvents() override;
  LibyamlEvents(const LibyamlEvents&) = delete;
  LibyamlEvents& operator=(const LibyamlEvents&) = delete;

  bool next(YamlEvent& event) override;
  std::string error() const override;

 private:
  struct Parser;
  std::unique_ptr<Parser> parser_;
};

}  // namespace lumra::payload
