#include "zh/index/zh_load_error.h"

#include "core/base/message_template.h"

namespace lumra::zh {

namespace {

using namespace zh_errors;

std::string magic_list(const std::array<std::uint8_t, 8>& magic) {
  std::string out = "[";
  for (std::size_t i = 0; i < magic.size(); ++i) {
    if (i > 0) out += ", ";
    out += std::to_string(magic[i]);
  }
  return out + "]";
}

std::string describe(const Io& e) {
  return fill_message("failed to read zh artifact payload: {}", e.error);
}
std::string describe(const Yaml& e) {
  return fill_message("invalid zh artifact payload YAML: {}", e.error);
}
std::string describe(const InvalidIndexedMagic& e) {
  return fill_message("invalid zh indexed artifact magic {}", magic_list(e.magic));
}
std::string describe(const UnsupportedIndexedVersion& e) {
  return fill_message("unsupported zh indexed artifact version {}", e.version);
}
std::string describe(const UnsupportedIndexedPinyinView& e) {
  return fill_message("unsupported zh indexed artifact pinyin view {}", e.value);
}
std::string describe(const ArtifactLimitExceeded& e) {
  return fill_message("zh artifact {} length/count {} exceeds limit {}", e.field, e.length, e.max);
}
std::string describe(const TruncatedIndexed& e) {
  return fill_message("truncated zh indexed artifact while reading {}", e.field);
}
std::string describe(const InvalidIndexedFst& e) {
  return fill_message("invalid zh indexed artifact FST: {}", e.message);
}
std::string describe(const IndexedEntryCountMismatch& e) {
  return fill_message(
      "zh indexed artifact header entry count {} does not match FST entry count {}",
      e.header_entries, e.fst_entries);
}
std::string describe(const InvalidIndexedOffset& e) {
  return fill_message("invalid zh indexed artifact readings offset {}", e.offset);
}
std::string describe(const InvalidIndexedUtf8& e) {
  return fill_message("invalid UTF-8 in zh indexed artifact {}: {}", e.field,
                      ja::message(e.source));
}
std::string describe(const UnsupportedSchemaVersion& e) {
  return fill_message("unsupported zh artifact payload schema version {}", e.version);
}
std::string describe(const UnsupportedPayloadType& e) {
  return fill_message("unsupported zh artifact payload type {}", Quoted{e.payload_type});
}
std::string describe(const UnsupportedPinyinView& e) {
  return fill_message("unsupported zh artifact pinyin view {}", Quoted{e.pinyin_view});
}
std::string describe(const EmptySurface& e) {
  return fill_message("zh artifact payload entry {} has an empty surface", e.entry_index);
}
std::string describe(const DuplicateSurface& e) {
  return fill_message("zh artifact payload has duplicate surface {}", Quoted{e.surface});
}
std::string describe(const EmptyReadings& e) {
  return fill_message("zh artifact payload surface {} has no readings", Quoted{e.surface});
}
std::string describe(const EmptyReading& e) {
  return fill_message("zh artifact payload surface {} has an empty reading at index {}",
                      Quoted{e.surface}, e.reading_index);
}
std::string describe(const DuplicateReading& e) {
  return fill_message("zh artifact payload surface {} has duplicate reading {}",
                      Quoted{e.surface}, Quoted{e.reading});
}
std::string describe(const ReadingNotNormalized& e) {
  return fill_message("zh artifact payload surface {} has non-normalized reading {}; expected {}",
                      Quoted{e.surface}, Quoted{e.reading}, Quoted{e.normalized});
}

}  // namespace

std::string message(const ZhLoadError& error) {
  return std::visit([](const auto& e) { return describe(e); }, error);
}

}  // namespace lumra::zh
