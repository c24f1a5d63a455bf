// Any bytes as a YAML stream and as a Japanese and a Chinese payload. When
// the block-subset reader reads the whole stream, its events must be
// libyaml's; and a payload read through that reader first must load as
// through libyaml alone, to the same index (its canonical text) or the same
// error. Any difference aborts the run.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ja/unidic/canonical_checksum.h"
#include "ja/unidic/yaml_payload.h"
#include "payload/yaml/block_subset_reader.h"
#include "payload/yaml/libyaml_events.h"
#include "zh/index/canonical_checksum.h"
#include "zh/index/yaml_payload.h"

namespace {

using lumra::payload::YamlEvent;
using lumra::payload::YamlReading;

// The stream as text, or nothing when the source stopped early.
std::string trace(lumra::payload::YamlEventSource& source) {
  std::string out;
  YamlEvent event;
  for (;;) {
    if (!source.next(event)) return {};
    out += std::to_string(static_cast<int>(event.type));
    if (event.type == YamlEvent::Type::kScalar) {
      out += (event.resolved ? " =" : " '") + std::string(event.text);
    }
    out += "\n";
    if (event.type == YamlEvent::Type::kStreamEnd) return out;
  }
}

void compare_events(std::string_view yaml) {
  lumra::payload::BlockSubsetReader subset(yaml);
  std::string read = trace(subset);
  if (read.empty()) return;
  lumra::payload::LibyamlEvents libyaml(yaml);
  std::string expected = trace(libyaml);
  if (read != expected) {
    std::fprintf(stderr, "the subset read\n%s\nbut libyaml\n%s\n", read.c_str(), expected.c_str());
    std::abort();
  }
}

std::string ja_outcome(std::string_view yaml, YamlReading reading) {
  auto index = lumra::ja::parse_yaml_payload(yaml, reading);
  if (!index.ok()) return "error: " + lumra::ja::message(index.error());
  auto text = lumra::ja::unidic_canonical_text(*index.value());
  return text.ok() ? text.value() : "canonical text failed";
}

std::string zh_outcome(std::string_view yaml, YamlReading reading) {
  auto index = lumra::zh::parse_zh_yaml_payload(yaml, reading);
  if (!index.ok()) return "error: " + lumra::zh::message(index.error());
  auto text = lumra::zh::zh_canonical_text(*index.value());
  return text.ok() ? text.value() : "canonical text failed";
}

template <class Outcome>
void compare(std::string_view yaml, Outcome outcome, const char* language) {
  std::string fast = outcome(yaml, YamlReading::kSubsetThenLibyaml);
  std::string libyaml = outcome(yaml, YamlReading::kLibyamlOnly);
  if (fast != libyaml) {
    std::fprintf(stderr, "%s: the fast path read\n%s\nbut libyaml\n%s\n", language, fast.c_str(),
                 libyaml.c_str());
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view yaml(reinterpret_cast<const char*>(data), size);
  compare_events(yaml);
  compare(yaml, ja_outcome, "ja");
  compare(yaml, zh_outcome, "zh");
  return 0;
}
