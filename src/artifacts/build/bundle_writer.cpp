#include "artifacts/build/bundle_writer.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>

#include "artifacts/build/staging_directory.h"
#include "artifacts/build/yaml_payload_writer.h"
#include "artifacts/build/yaml_writer.h"
#include "artifacts/indexed/unidic_indexed_writer.h"
#include "artifacts/indexed/write_payload_file.h"
#include "artifacts/indexed/zh_indexed_writer.h"
#include "artifacts/load_payload.h"
#include "core/base/message_template.h"
#include "ja/unidic/binary_payload_writer.h"
#include "ja/unidic/canonical_checksum.h"
#include "payload/payload_file.h"
#include "payload/sha256.h"
#include "zh/index/canonical_checksum.h"

namespace lumra::artifacts::build {

namespace {

constexpr std::string_view kMetadataFile = "metadata.yaml";
constexpr std::string_view kLicenceDirectory = "licenses";

// The payload's file name in the bundle, by format.
std::optional<std::string_view> payload_file_name(std::string_view format) {
  if (format == "yaml") return "payload.yaml";
  if (format == "binary") return "payload.bin";
  if (format == "indexed") return "payload.idx";
  return std::nullopt;
}

BuildFailure failure(std::string what) { return BuildFailure{std::move(what)}; }

Status<BuildFailure> write_bytes(std::string_view path, std::string_view bytes) {
  auto written = write_payload_file(
      path, {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
  if (!written.ok()) {
    return Fail(failure(fill_message("cannot write {}: {}", std::string(path),
                                     payload::os_error_text(written.error().code))));
  }
  return Unit{};
}

// A licence label as a file name: what is not a letter, digit, dot, dash or
// underscore becomes an underscore.
std::string licence_file_name(std::string_view label) {
  std::string name;
  for (char c : label) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                 c == '.' || c == '-' || c == '_';
    name.push_back(plain ? c : '_');
  }
  if (name.empty() || name.front() == '.') name.insert(name.begin(), '_');
  return name + ".txt";
}

// Copies the licences into the staging directory; their bundle paths.
Result<std::vector<std::string>, BuildFailure> copy_licences(const StagingDirectory& staging,
                                                             const BundleDescription& description) {
  std::vector<std::string> paths;
  if (description.licences.empty()) return paths;
  if (::mkdir(staging.file(kLicenceDirectory).c_str(), 0755) != 0) {
    return Fail(failure(fill_message("cannot create {}: {}", staging.file(kLicenceDirectory),
                                     payload::os_error_text(errno))));
  }
  std::set<std::string> taken;
  for (const LicenceFile& licence : description.licences) {
    std::string name = licence_file_name(licence.label);
    if (!taken.insert(name).second) {
      return Fail(failure(fill_message("two licences are labelled {}", Quoted{licence.label})));
    }
    std::string relative = std::string(kLicenceDirectory) + "/" + name;
    auto copied = copy_regular_file(licence.path, staging.file(relative));
    if (!copied.ok()) return Fail(failure("licence " + licence.label + ": " + copied.error()));
    paths.push_back(relative);
  }
  return paths;
}

struct PayloadRecord {
  std::string path;
  std::string format;
  std::string file_digest;
  std::string checksum_algorithm;
  std::string checksum;
};

// The parts of the metadata both languages write alike, around the
// language's own source and build records.
Result<std::string, BuildFailure> metadata_text(
    std::string_view artifact_type, const BundleDescription& description,
    const PayloadRecord& payload, std::string_view source_file_key,
    const std::function<void(YamlWriter&)>& build_record,
    const std::vector<std::string>& licence_paths) {
  YamlWriter yaml;
  yaml.begin_mapping();
  yaml.key("schema_version");
  yaml.number(1);
  yaml.key("artifact_type");
  yaml.text(artifact_type);
  yaml.key("artifact_name");
  yaml.text(description.artifact_name);
  yaml.key("generator");
  yaml.text(description.generator);

  yaml.key("payload");
  yaml.begin_mapping();
  yaml.key("path");
  yaml.text(payload.path);
  yaml.key("format");
  yaml.text(payload.format);
  yaml.key("file_digest_algorithm");
  yaml.text("sha256-file-v1");
  yaml.key("file_digest");
  yaml.text(payload.file_digest);
  yaml.key("checksum_algorithm");
  yaml.text(payload.checksum_algorithm);
  yaml.key("checksum");
  yaml.text(payload.checksum);
  yaml.end_mapping();

  yaml.key("source");
  yaml.begin_mapping();
  yaml.key("name");
  yaml.text(description.source_name);
  yaml.key("version");
  yaml.text(description.source_version);
  yaml.key(source_file_key);
  yaml.text(description.source_file);
  yaml.end_mapping();

  yaml.key("build");
  yaml.begin_mapping();
  build_record(yaml);
  yaml.end_mapping();

  // The defaults every dictionary loaded from a payload file starts with.
  yaml.key("query_defaults");
  yaml.begin_mapping();
  yaml.key("max_span_chars");
  yaml.number(8);
  yaml.key("max_paths");
  yaml.number(1024);
  yaml.key("longest_match_only");
  yaml.boolean(false);
  yaml.end_mapping();

  yaml.key("license");
  yaml.begin_mapping();
  yaml.key("selected_license");
  yaml.text(description.selected_license);
  yaml.key("references");
  yaml.begin_sequence();
  for (std::size_t i = 0; i < licence_paths.size(); ++i) {
    yaml.begin_mapping();
    yaml.key("label");
    yaml.text(description.licences[i].label);
    yaml.key("path");
    yaml.text(licence_paths[i]);
    yaml.end_mapping();
  }
  yaml.end_sequence();
  yaml.end_mapping();

  yaml.end_mapping();
  auto text = yaml.finish();
  if (!text.ok()) return Fail(failure("cannot write metadata.yaml: " + text.error()));
  return std::move(text).value();
}

// The steps after the payload file is written, for both languages:
// licences, digest, the checksum of the payload as loaded back, metadata,
// then the rename into place.
struct Finisher {
  StagingDirectory& staging;
  bool replace;
  const BundleDescription& description;
  PayloadRecord record;

  Result<WrittenBundle, BuildFailure> finish(
      std::string_view artifact_type, std::string_view source_file_key,
      std::uint64_t entries, std::string checksum,
      const std::function<void(YamlWriter&)>& build_record) {
    WrittenBundle written;
    written.entries = entries;
    written.checksum = std::move(checksum);
    record.checksum = written.checksum;
    LUMRA_TRY_ASSIGN(std::vector<std::string> licence_paths, copy_licences(staging, description));
    auto digest = sha256_file_digest(staging.file(record.path));
    if (!digest.ok()) return Fail(failure(digest.error()));
    written.file_digest = digest.value();
    record.file_digest = written.file_digest;
    std::error_code ignored;
    written.payload_bytes = std::filesystem::file_size(staging.file(record.path), ignored);
    LUMRA_TRY_ASSIGN(std::string metadata,
                     metadata_text(artifact_type, description, record, source_file_key,
                                   build_record, licence_paths));
    LUMRA_TRY(write_bytes(staging.file(kMetadataFile), metadata));
    auto committed = staging.commit(replace);
    if (!committed.ok()) return Fail(failure(committed.error()));
    return written;
  }
};

}  // namespace

Result<std::string, std::string> sha256_file_digest(std::string_view path) {
  std::string name(path);
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(name.c_str(), "rbe"),
                                                       &std::fclose);
  if (!file) return Fail(fill_message("cannot read {}: {}", name, payload::os_error_text(errno)));
  payload::Sha256 hash;
  std::vector<char> chunk(65536);
  while (true) {
    std::size_t count = std::fread(chunk.data(), 1, chunk.size(), file.get());
    hash.update(std::string_view(chunk.data(), count));
    if (count < chunk.size()) break;
  }
  if (std::ferror(file.get())) {
    return Fail(fill_message("cannot read {}: {}", name, payload::os_error_text(errno)));
  }
  return hash.hex_digest();
}

Result<WrittenBundle, BuildFailure> write_unidic_bundle(
    std::string_view out_dir, bool replace, const ja::UnidicReadingIndexPayload& payload,
    std::string_view format, const UnidicBuildSettings& build,
    const BundleDescription& description) {
  auto file_name = payload_file_name(format);
  if (!file_name) {
    return Fail(failure(fill_message("unknown format {}; expected yaml, binary or indexed",
                                     Quoted{format})));
  }
  auto staging = StagingDirectory::create(out_dir);
  if (!staging.ok()) return Fail(failure(staging.error()));
  std::string payload_path = staging.value().file(*file_name);

  if (format == "yaml") {
    auto text = encode_unidic_yaml_payload(payload);
    if (!text.ok()) return Fail(failure("cannot write the YAML payload: " + text.error()));
    LUMRA_TRY(write_bytes(payload_path, text.value()));
  } else if (format == "binary") {
    auto bytes = ja::encode_binary_payload(payload);
    if (!bytes.ok()) return Fail(failure(ja::message(bytes.error())));
    LUMRA_TRY(write_bytes(payload_path, bytes.value()));
  } else {
    auto written = write_indexed_payload(payload, payload_path);
    if (!written.ok()) return Fail(failure(message(written.error())));
  }

  // The checksum and the count come from the payload as a loader reads it,
  // which is what load_bundle will compare them with.
  auto index = load_japanese_payload(payload_path, format);
  if (!index.ok()) {
    return Fail(failure("the written payload does not load: " + ja::message(index.error())));
  }
  auto checksum = ja::canonical_payload_checksum(*index.value(), description.checksum_algorithm);
  if (!checksum.ok()) return Fail(failure(ja::message(checksum.error())));
  if (!checksum.value()) {
    return Fail(failure(fill_message("unsupported checksum algorithm {}",
                                     Quoted{description.checksum_algorithm})));
  }
  std::uint64_t entries = index.value()->entry_count();
  index.value().reset();

  Finisher finisher{staging.value(), replace, description,
                    PayloadRecord{std::string(*file_name), std::string(format), {},
                                  description.checksum_algorithm, {}}};
  return finisher.finish("lumra.unidic.reading-index", "lex_csv", entries, *checksum.value(),
                         [&](YamlWriter& yaml) {
                           yaml.key("reading_field");
                           yaml.text(build.reading_field);
                           yaml.key("exclude_ascii_surfaces");
                           yaml.boolean(build.exclude_ascii_surfaces);
                           yaml.key("exclude_symbol_pos");
                           yaml.boolean(build.exclude_symbol_pos);
                           yaml.key("include_normalized_surfaces");
                           yaml.boolean(build.include_normalized_surfaces);
                           yaml.key("exclude_unsupported_readings");
                           yaml.boolean(build.exclude_unsupported_readings);
                           if (build.max_readings_per_surface) {
                             yaml.key("max_readings_per_surface");
                             yaml.number(*build.max_readings_per_surface);
                           }
                           yaml.key("entries");
                           yaml.number(entries);
                         });
}

Result<WrittenBundle, BuildFailure> write_zh_bundle(
    std::string_view out_dir, bool replace, const zh::ZhReadingIndexPayload& payload,
    std::string_view format, std::optional<std::uint64_t> max_readings_per_surface,
    const BundleDescription& description) {
  auto file_name = format == "binary" ? std::nullopt : payload_file_name(format);
  if (!file_name) {
    return Fail(failure(fill_message("unknown format {}; expected yaml or indexed",
                                     Quoted{format})));
  }
  auto staging = StagingDirectory::create(out_dir);
  if (!staging.ok()) return Fail(failure(staging.error()));
  std::string payload_path = staging.value().file(*file_name);

  if (format == "yaml") {
    auto text = encode_zh_yaml_payload(payload);
    if (!text.ok()) return Fail(failure("cannot write the YAML payload: " + text.error()));
    LUMRA_TRY(write_bytes(payload_path, text.value()));
  } else {
    auto written = write_zh_indexed_payload(payload, payload_path);
    if (!written.ok()) return Fail(failure(message(written.error())));
  }

  auto index = load_chinese_payload(payload_path, format);
  if (!index.ok()) {
    return Fail(failure("the written payload does not load: " + zh::message(index.error())));
  }
  auto checksum = zh::zh_canonical_checksum(*index.value(), description.checksum_algorithm);
  if (!checksum.ok()) return Fail(failure(zh::message(checksum.error())));
  if (!checksum.value()) {
    return Fail(failure(fill_message("unsupported checksum algorithm {}",
                                     Quoted{description.checksum_algorithm})));
  }
  std::uint64_t entries = index.value()->entry_count();
  std::string view(zh::canonical_name(index.value()->view()));
  index.value().reset();

  Finisher finisher{staging.value(), replace, description,
                    PayloadRecord{std::string(*file_name), std::string(format), {},
                                  description.checksum_algorithm, {}}};
  return finisher.finish("lumra.zh.reading-index", "cedict", entries, *checksum.value(),
                         [&](YamlWriter& yaml) {
                           yaml.key("pinyin_view");
                           yaml.text(view);
                           if (max_readings_per_surface) {
                             yaml.key("max_readings_per_surface");
                             yaml.number(*max_readings_per_surface);
                           }
                           yaml.key("entries");
                           yaml.number(entries);
                         });
}

}  // namespace lumra::artifacts::build
