// Any bytes as a Japanese and as a Chinese YAML payload, read through the
// block-subset reader first and through libyaml alone: the loaded index
// (its canonical text) or the error must be the same, else the run aborts.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ja/unidic/canonical_checksum.h"
#include "ja/unidic/yaml_payload.h"
#include "zh/index/canonical_checksum.h"
#include "zh/index/yaml_payload.h"

namespace {

using lumra::payload::YamlReading;

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
  compare(yaml, ja_outcome, "ja");
  compare(yaml, zh_outcome, "zh");
  return 0;
}
