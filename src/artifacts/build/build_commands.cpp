#include "artifacts/build/build_commands.h"

#include <chrono>
#include <filesystem>

#include "artifacts/build/cedict_readings.h"
#include "artifacts/build/cedict_source.h"
#include "artifacts/build/line_reader.h"
#include "artifacts/build/progress.h"
#include "artifacts/build/readings_collector.h"
#include "core/base/message_template.h"
#include "ja/unidic/canonical_checksum.h"
#include "ja/unidic/payload.h"
#include "zh/index/pinyin_view.h"

namespace lumra::artifacts::build {

namespace {

std::string base_name(std::string_view path) {
  return std::filesystem::path(path).filename().string();
}

void default_to(std::string& field, std::string value) {
  if (field.empty()) field = std::move(value);
}

Status<BuildFailure> check_cap(const BundleRequest& bundle) {
  if (bundle.max_readings_per_surface &&
      (*bundle.max_readings_per_surface == 0 || *bundle.max_readings_per_surface > 256)) {
    return Fail(BuildFailure{fill_message(
        "max_readings_per_surface must be between 1 and 256, not {}",
        *bundle.max_readings_per_surface)});
  }
  return Unit{};
}

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

Result<BuildReport, BuildError> build_unidic_bundle(UnidicRequest request) {
  auto start = std::chrono::steady_clock::now();
  BundleRequest& bundle = request.bundle;
  LUMRA_TRY(check_cap(bundle));
  if (request.dicrc.empty()) {
    request.dicrc = (std::filesystem::path(request.lex_csv).parent_path() / "dicrc").string();
  }
  // A dicrc is a few kilobytes; the bound catches a lexicon given in its
  // place.
  LUMRA_TRY_ASSIGN(std::string dicrc_text, read_text_file(request.dicrc, 1 << 20));
  auto columns = UnidicColumns::from_dicrc(dicrc_text);
  if (!columns.ok()) {
    return Fail(BuildFailure{fill_message("{}: {}", request.dicrc, columns.error())});
  }
  LUMRA_TRY_ASSIGN(LineReader lexicon, LineReader::open(request.lex_csv));
  // Refused before the lexicon is read rather than after.
  const std::string& algorithm = bundle.description.checksum_algorithm;
  if (algorithm != ja::kUnidicSha256Checksum && algorithm != ja::kUnidicFnv1a64Checksum) {
    return Fail(BuildFailure{fill_message("unsupported checksum algorithm {}", Quoted{algorithm})});
  }

  ProblemLog problems(bundle.strict, bundle.log);
  Progress progress(bundle.log);
  problems.share_terminal_with(&progress);
  ReadingsCollector collected;
  LUMRA_TRY_ASSIGN(UnidicLexiconCounts counts,
                   read_unidic_lexicon(lexicon, columns.value(), request.options, collected,
                                       problems, progress));
  progress.phase("ordering readings");
  CollectedEntries entries = collected.finish(
      bundle.max_readings_per_surface.value_or(ja::UnidicArtifactLimits::kReadingCount));

  ja::UnidicReadingIndexPayload payload;
  payload.schema_version = 1;
  payload.payload_type = std::string(ja::kUnidicPayloadType);
  payload.entries.reserve(entries.entries.size());
  for (CollectedEntry& entry : entries.entries) {
    payload.entries.push_back({std::move(entry.surface), std::move(entry.readings)});
  }
  entries.entries.clear();
  entries.entries.shrink_to_fit();

  BundleDescription& description = bundle.description;
  default_to(description.artifact_name, "unidic-" + request.options.reading_field);
  default_to(description.source_name, "UniDic");
  default_to(description.source_version, "unknown");
  default_to(description.selected_license, "BSD-3-Clause OR LGPL-2.1 OR GPL-2.0-or-later");
  description.source_file = base_name(request.lex_csv);

  UnidicBuildSettings settings;
  settings.reading_field = request.options.reading_field;
  settings.exclude_ascii_surfaces = request.options.exclude_ascii_surfaces;
  settings.exclude_symbol_pos = request.options.exclude_symbol_pos;
  settings.include_normalized_surfaces = request.options.include_normalized_surfaces;
  settings.exclude_unsupported_readings = request.options.exclude_unsupported_readings;
  settings.max_readings_per_surface = bundle.max_readings_per_surface;

  progress.phase("writing the bundle");
  LUMRA_TRY_ASSIGN(WrittenBundle written,
                   write_unidic_bundle(bundle.out_dir, bundle.replace, payload, bundle.format,
                                       settings, description));
  progress.clear();
  BuildReport report;
  report.bundle = std::move(written);
  report.rows = counts.rows;
  report.rows_skipped = problems.count();
  report.surfaces_capped = entries.surfaces_capped;
  report.seconds = seconds_since(start);
  return report;
}

Result<BuildReport, BuildError> build_cedict_bundle(CedictRequest request) {
  auto start = std::chrono::steady_clock::now();
  BundleRequest& bundle = request.bundle;
  LUMRA_TRY(check_cap(bundle));
  auto view = zh::parse_pinyin_view(request.pinyin_view);
  if (!view || zh::canonical_name(*view) != request.pinyin_view) {
    return Fail(BuildFailure{fill_message("unknown pinyin view {}; expected tone3 or no-tone",
                                          Quoted{request.pinyin_view})});
  }
  if (request.dictd && request.dict.empty()) {
    std::string_view source = request.source;
    if (source.ends_with(".index")) source.remove_suffix(6);
    request.dict = std::string(source) + ".dict.dz";
  }

  ProblemLog problems(bundle.strict, bundle.log);
  Progress progress(bundle.log);
  problems.share_terminal_with(&progress);
  ReadingsCollector collected;
  CedictEntrySink sink = collect_cedict_readings(*view, collected);
  LUMRA_TRY_ASSIGN(CedictCounts counts,
                   request.dictd
                       ? read_cedict_dictd(request.source, request.dict, sink, problems, progress)
                       : read_cedict_text(request.source, sink, problems, progress));
  progress.phase("ordering readings");
  CollectedEntries entries = collected.finish(
      bundle.max_readings_per_surface.value_or(zh::ZhArtifactLimits::kReadingCount));

  zh::ZhReadingIndexPayload payload;
  payload.schema_version = 1;
  payload.payload_type = std::string(zh::kZhPayloadType);
  payload.pinyin_view = std::string(zh::canonical_name(*view));
  payload.entries.reserve(entries.entries.size());
  for (CollectedEntry& entry : entries.entries) {
    payload.entries.push_back({std::move(entry.surface), std::move(entry.readings)});
  }

  BundleDescription& description = bundle.description;
  default_to(description.artifact_name, "cc-cedict-" + request.pinyin_view);
  default_to(description.source_name, "CC-CEDICT");
  default_to(description.source_version, counts.release.empty() ? "unknown" : counts.release);
  default_to(description.selected_license, "CC-BY-SA-4.0");
  description.source_file = base_name(request.source);

  progress.phase("writing the bundle");
  LUMRA_TRY_ASSIGN(WrittenBundle written,
                   write_zh_bundle(bundle.out_dir, bundle.replace, payload, bundle.format,
                                   bundle.max_readings_per_surface, description));
  progress.clear();
  BuildReport report;
  report.bundle = std::move(written);
  report.rows = counts.entries + problems.count();
  report.rows_skipped = problems.count();
  report.surfaces_capped = entries.surfaces_capped;
  report.seconds = seconds_since(start);
  return report;
}

std::string summary(const BuildReport& report, std::string_view out_dir,
                    std::string_view format) {
  return fill_message(
      "wrote {} ({}): {} entries, payload {} bytes, {} rows read, {} skipped, {} surfaces "
      "capped, {} ms",
      std::string(out_dir), std::string(format), report.bundle.entries,
      report.bundle.payload_bytes, report.rows, report.rows_skipped, report.surfaces_capped,
      static_cast<std::uint64_t>(report.seconds * 1000));
}

}  // namespace lumra::artifacts::build
