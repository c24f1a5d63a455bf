// What a dictionary object holds: its index, the reading options a call
// falls back on, and the names it was loaded with. Made complete by a
// factory and never changed afterwards, so any number of threads read it
// without locks.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "ja/reading/reading_options.h"

namespace lumra::python {

template <class Index>
struct DictionaryRecord {
  std::shared_ptr<const Index> index;
  ja::ReadingOptions query_defaults;
  std::optional<std::string> artifact_name;
  std::optional<std::string> source_name;
  // The build's third name: the reading field of a Japanese dictionary, the
  // pinyin view of a Chinese one.
  std::optional<std::string> build_name;
};

}  // namespace lumra::python
