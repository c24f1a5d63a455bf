// The two builds of lumra-build, from a dictionary source to a bundle.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "artifacts/build/build_error.h"
#include "artifacts/build/bundle_writer.h"
#include "artifacts/build/unidic_lexicon.h"
#include "core/base/result.h"

namespace lumra::artifacts::build {

// What both builds are told besides their source.
struct BundleRequest {
  std::string out_dir;
  std::string format = "indexed";
  bool replace = false;  // an existing out_dir is replaced, not refused
  bool strict = false;   // the first bad row ends the build
  std::optional<std::uint64_t> max_readings_per_surface;  // 1..256
  BundleDescription description;  // empty names get the source's defaults
  std::FILE* log = nullptr;       // problems and progress (stderr)
};

struct UnidicRequest {
  std::string lex_csv;
  std::string dicrc;  // empty: the dicrc beside lex_csv
  UnidicLexiconOptions options;
  BundleRequest bundle;
};

struct CedictRequest {
  std::string source;  // the text edition, or the dictd .index
  bool dictd = false;  // `source` is a dictd index and `dict` its articles
  std::string dict;    // empty: `source` with .index replaced by .dict.dz
  std::string pinyin_view = "tone3";
  BundleRequest bundle;
};

// What a build did, for its summary line.
struct BuildReport {
  WrittenBundle bundle;
  std::uint64_t rows = 0;             // lexicon rows or dictionary entries read
  std::uint64_t rows_skipped = 0;     // bad rows, each reported
  std::uint64_t surfaces_capped = 0;  // surfaces that lost readings to the cap
  double seconds = 0;
};

Result<BuildReport, BuildError> build_unidic_bundle(UnidicRequest request);
Result<BuildReport, BuildError> build_cedict_bundle(CedictRequest request);

// The summary line of a finished build.
std::string summary(const BuildReport& report, std::string_view out_dir,
                    std::string_view format);

}  // namespace lumra::artifacts::build
