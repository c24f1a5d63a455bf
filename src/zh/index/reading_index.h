// ZhReadingIndex: surfaces and their pinyin readings, as the queries see
// them.
//
// One interface over two forms: a hash map built from a YAML payload, and an
// FST-indexed payload whose readings records are decoded on demand. An index
// never changes after loading and may be read by any number of threads at
// once.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "core/base/result.h"
#include "zh/index/payload.h"
#include "zh/index/pinyin_view.h"
#include "zh/index/zh_load_error.h"

namespace lumra::zh {

class ZhReadingIndex {
 public:
  virtual ~ZhReadingIndex() = default;

  // Exact lookup of `surface` (compared byte for byte, not normalised). On a
  // match, fills `readings` with views of its readings in stored order,
  // valid for as long as the index lives, and returns true; otherwise clears
  // `readings` and returns false. Reuses the capacity of `readings`, so a
  // caller that keeps the vector across lookups allocates nothing. Only the
  // indexed form can fail, when a readings record does not decode.
  virtual Result<bool, ZhLoadError> lookup_readings(
      std::string_view surface, std::vector<std::string_view>& readings) const = 0;

  virtual std::uint64_t entry_count() const = 0;

  // Calls `visit` with every entry in canonical order: surfaces in ascending
  // byte order, each with its readings in stored order.
  using EntryVisitor =
      std::function<void(std::string_view surface, const std::vector<std::string_view>& readings)>;
  virtual Status<ZhLoadError> for_each_canonical_entry(const EntryVisitor& visit) const = 0;

  PinyinView view() const { return view_; }

 protected:
  explicit ZhReadingIndex(PinyinView view) : view_(view) {}

 private:
  PinyinView view_;
};

// The index as a payload: schema version 1, the Chinese payload type, the
// canonical view name, and the entries in canonical order.
Result<ZhReadingIndexPayload, ZhLoadError> to_payload(const ZhReadingIndex& index);

}  // namespace lumra::zh
