#include "artifacts/build/yaml_payload_writer.h"

#include "artifacts/build/yaml_writer.h"

namespace lumra::artifacts::build {

namespace {

template <class Entries>
void write_entries(YamlWriter& yaml, const Entries& entries) {
  yaml.key("entries");
  yaml.begin_sequence();
  for (const auto& entry : entries) {
    yaml.begin_mapping();
    yaml.key("surface");
    yaml.text(entry.surface);
    yaml.key("readings");
    yaml.begin_sequence();
    for (const std::string& reading : entry.readings) yaml.text(reading);
    yaml.end_sequence();
    yaml.end_mapping();
  }
  yaml.end_sequence();
}

}  // namespace

Result<std::string, std::string> encode_unidic_yaml_payload(
    const ja::UnidicReadingIndexPayload& payload) {
  YamlWriter yaml;
  yaml.begin_mapping();
  yaml.key("schema_version");
  yaml.number(payload.schema_version);
  yaml.key("payload_type");
  yaml.text(payload.payload_type);
  write_entries(yaml, payload.entries);
  yaml.end_mapping();
  return yaml.finish();
}

Result<std::string, std::string> encode_zh_yaml_payload(const zh::ZhReadingIndexPayload& payload) {
  YamlWriter yaml;
  yaml.begin_mapping();
  yaml.key("schema_version");
  yaml.number(payload.schema_version);
  yaml.key("payload_type");
  yaml.text(payload.payload_type);
  yaml.key("pinyin_view");
  yaml.text(payload.pinyin_view);
  write_entries(yaml, payload.entries);
  yaml.end_mapping();
  return yaml.finish();
}

}  // namespace lumra::artifacts::build
