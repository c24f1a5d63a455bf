// Writes the seed corpora of the payload targets into fuzz/corpus/: a few
// valid payloads of each format, made by the library's own writers, so that
// the fuzzer starts from files that load and mutates them from there.
//   make_seeds CORPUS_DIR
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "artifacts/indexed/unidic_indexed_writer.h"
#include "artifacts/indexed/zh_indexed_writer.h"
#include "ja/unidic/binary_payload_writer.h"
#include "ja/unidic/yaml_payload.h"
#include "zh/index/yaml_payload.h"

namespace {

using Entries = std::vector<std::pair<std::string, std::vector<std::string>>>;

const std::vector<Entries> kJapanese = {
    {},
    {{"東京", {"とうきょう"}}},
    {{"日本", {"にほん", "にっぽん"}}, {"日", {"ひ", "にち", "じつ"}}, {"行く", {"いく", "ゆく"}},
     {"ｶﾅ", {"かな"}}, {"一二三", {"ひふみ"}}},
};
const std::vector<Entries> kChinese = {
    {},
    {{"中国", {"zhong1guo2"}}},
    {{"中", {"zhong1", "zhong4"}}, {"行", {"xing2", "hang2"}}, {"女", {"nv3"}},
     {"长城", {"chang2cheng2"}}, {"们", {"men5"}}},
};

std::string yaml_of(const char* payload_type, const char* head, const Entries& entries) {
  std::string yaml = std::string("schema_version: 1\npayload_type: ") + payload_type + "\n" +
                     head + "entries:";
  if (entries.empty()) return yaml + " []\n";
  for (const auto& [surface, readings] : entries) {
    yaml += "\n  - surface: \"" + surface + "\"\n    readings:";
    for (const std::string& reading : readings) yaml += "\n      - \"" + reading + "\"";
  }
  return yaml + "\n";
}

bool write(const std::string& path, const void* bytes, std::size_t size) {
  std::ofstream out(path, std::ios::binary);
  out.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(size));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace lumra;
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_seeds CORPUS_DIR\n");
    return 2;
  }
  const std::string root = argv[1];
  bool ok = true;
  for (std::size_t i = 0; i < kJapanese.size(); ++i) {
    const std::string name = "seed" + std::to_string(i);
    const std::string yaml = yaml_of("lumra.unidic.reading-index.surface-readings", "", kJapanese[i]);
    ok = ok && write(root + "/ja_yaml_payload/" + name, yaml.data(), yaml.size());
    auto index = ja::parse_yaml_payload(yaml);
    if (!index.ok()) return 1;
    auto indexed = artifacts::encode_indexed_payload(*index.value());
    if (!indexed.ok()) return 1;
    ok = ok && write(root + "/ja_indexed_payload/" + name, indexed.value().data(), indexed.value().size());
    ja::UnidicReadingIndexPayload payload{1, "lumra.unidic.reading-index.surface-readings", {}};
    for (const auto& [surface, readings] : kJapanese[i]) payload.entries.push_back({surface, readings});
    auto binary = ja::encode_binary_payload(payload);
    if (!binary.ok()) return 1;
    ok = ok && write(root + "/ja_binary_payload/" + name, binary.value().data(), binary.value().size());
  }
  for (std::size_t i = 0; i < kChinese.size(); ++i) {
    const std::string name = "seed" + std::to_string(i);
    const std::string yaml = yaml_of("lumra.zh.reading-index.surface-readings", "pinyin_view: tone3\n", kChinese[i]);
    ok = ok && write(root + "/zh_yaml_payload/" + name, yaml.data(), yaml.size());
    auto index = zh::parse_zh_yaml_payload(yaml);
    if (!index.ok()) return 1;
    auto indexed = artifacts::encode_zh_indexed_payload(*index.value());
    if (!indexed.ok()) return 1;
    ok = ok && write(root + "/zh_indexed_payload/" + name, indexed.value().data(), indexed.value().size());
  }
  return ok ? 0 : 1;
}
