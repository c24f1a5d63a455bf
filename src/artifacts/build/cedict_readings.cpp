#include "artifacts/build/cedict_readings.h"

#include <memory>

#include "core/base/message_template.h"
#include "ja/unidic/unidic_load_error.h"
#include "zh/index/normalize_pinyin.h"
#include "zh/index/payload.h"

namespace lumra::artifacts::build {

namespace {

std::optional<std::string> text_problem(std::string_view name, std::string_view text) {
  if (text.empty()) return fill_message("empty {}", name);
  if (auto error = ja::find_utf8_error(text)) {
    return fill_message("invalid UTF-8 in the {}: {}", name, ja::message(*error));
  }
  if (text.size() > zh::ZhArtifactLimits::kSurfaceBytes) {
    return fill_message("the {} has {} bytes, over the limit of {}", name, text.size(),
                        zh::ZhArtifactLimits::kSurfaceBytes);
  }
  return std::nullopt;
}

}  // namespace

CedictEntrySink collect_cedict_readings(zh::PinyinView view, ReadingsCollector& collected) {
  auto rank = std::make_shared<std::int64_t>(0);
  return [view, &collected, rank](const CedictEntry& entry) -> std::optional<std::string> {
    if (auto what = text_problem("traditional headword", entry.traditional)) return what;
    if (auto what = text_problem("simplified headword", entry.simplified)) return what;
    if (auto what = text_problem("pinyin", entry.pinyin)) return what;
    std::string reading = zh::normalize_pinyin_reading(entry.pinyin, view);
    if (reading.empty()) {
      return fill_message("the pinyin {} normalises to nothing", Quoted{entry.pinyin});
    }
    if (reading.size() > zh::ZhArtifactLimits::kReadingBytes) {
      return fill_message("the pinyin has {} bytes, over the limit of {}", reading.size(),
                          zh::ZhArtifactLimits::kReadingBytes);
    }
    std::int64_t position = (*rank)++;
    collected.add(entry.traditional, reading, position);
    if (entry.simplified != entry.traditional) collected.add(entry.simplified, reading, position);
    return std::nullopt;
  };
}

}  // namespace lumra::artifacts::build
