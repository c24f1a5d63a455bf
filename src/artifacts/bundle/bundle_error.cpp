#include "artifacts/bundle/bundle_error.h"

#include "core/base/message_template.h"

namespace lumra::artifacts {

namespace {

using namespace bundle_errors;

bool japanese(BundleLanguage language) { return language == BundleLanguage::kJapanese; }

std::string describe(const Io& e) { return e.error; }
std::string describe(const MetadataNotUtf8&) { return "stream did not contain valid UTF-8"; }
std::string describe(const FileTooLarge& e) {
  if (japanese(e.language)) {
    return fill_message("UniDic artifact {} length/count {} exceeds limit {}", e.field, e.size,
                        e.max);
  }
  return fill_message("zh artifact {} length/count {} exceeds limit {}", e.field, e.size, e.max);
}
std::string describe(const Metadata& e) { return e.error; }
std::string describe(const UnsupportedSchemaVersion& e) {
  if (japanese(e.language)) {
    return fill_message("unsupported Japanese metadata schema version {}", e.version);
  }
  return fill_message("unsupported zh metadata schema version {}", e.version);
}
std::string describe(const UnsupportedArtifactType& e) {
  if (japanese(e.language)) {
    return fill_message("unsupported Japanese artifact type {}", Quoted{e.artifact_type});
  }
  return fill_message("unsupported zh artifact type {}", Quoted{e.artifact_type});
}
std::string describe(const PathOutsideBundle& e) {
  return fill_message("bundle path {} must be relative and stay inside the bundle",
                      Quoted{e.path});
}
std::string describe(const MissingLicenseReference& e) {
  return fill_message("missing license reference {} at {}", e.label, e.resolved_path);
}
std::string describe(const UnpairedFileDigest& e) {
  if (japanese(e.language)) {
    return "payload file digest algorithm and digest must be provided together";
  }
  return "zh payload file digest algorithm and digest must be provided together";
}
std::string describe(const UnsupportedFileDigestAlgorithm& e) {
  if (japanese(e.language)) {
    return fill_message("unsupported payload file digest algorithm {}", Quoted{e.algorithm});
  }
  return fill_message("unsupported zh payload file digest algorithm {}", Quoted{e.algorithm});
}
std::string describe(const FileDigestMismatch& e) {
  return fill_message("payload file digest mismatch: metadata has {}, recomputed {}", e.metadata,
                      e.recomputed);
}
std::string describe(const EntryCountMismatch& e) {
  return fill_message("entry count mismatch: metadata has {}, payload has {}", e.metadata,
                      e.payload);
}
std::string describe(const PinyinViewMismatch& e) {
  return fill_message("pinyin view mismatch: metadata has {}, payload has {}", e.metadata,
                      e.payload);
}
std::string describe(const UnsupportedChecksumAlgorithm& e) {
  return fill_message("unsupported checksum algorithm {}", Quoted{e.algorithm});
}
std::string describe(const ChecksumMismatch& e) {
  return fill_message("payload checksum mismatch: metadata has {}, recomputed {}", e.metadata,
                      e.recomputed);
}

}  // namespace

std::string message(const BundleError& error) {
  return std::visit([](const auto& e) { return describe(e); }, error);
}

std::string message(const UnidicBundleError& error) {
  if (const auto* own = std::get_if<BundleError>(&error)) return message(*own);
  return ja::message(std::get<ja::UnidicPayloadLoadError>(error));
}

std::string message(const ZhBundleError& error) {
  if (const auto* own = std::get_if<BundleError>(&error)) return message(*own);
  return zh::message(std::get<zh::ZhPayloadLoadError>(error));
}

}  // namespace lumra::artifacts
