// Reading a YAML text fast when it is plainly written, and through libyaml
// otherwise.
//
// The block-subset reader (block_subset_reader.h) reads the common block
// style several times faster than libyaml. Whenever it gives up, or the
// document it read does not fit the records (a missing, repeated or
// mistyped field), everything it produced is dropped and the text is read
// again through libyaml, whose reading alone decides what an unusual
// document means and which reports every YAML error with its position.
#pragma once

#include <memory>
#include <string_view>

#include "core/base/result.h"
#include "payload/yaml/block_subset_reader.h"
#include "payload/yaml/yaml_decoder.h"
#include "payload/yaml/yaml_error.h"

namespace lumra::payload {

enum class YamlReading {
  kSubsetThenLibyaml,  // what the loaders do
  kLibyamlOnly,
  // The block-subset reader's outcome as it is, its giving up included: for
  // tests that compare the two readers.
  kSubsetOnly,
};

// Calls `parse` (Status<YamlError>(YamlDecoder&)) with a decoder over
// `text`, a second time over libyaml's reading when the first, over the
// block subset, fails. `parse` must start afresh on each call: whatever the
// first call built is to be dropped.
template <class Parse>
Status<YamlError> parse_yaml_text(std::string_view text, YamlReading reading, Parse&& parse) {
  if (reading != YamlReading::kLibyamlOnly) {
    YamlDecoder subset(std::make_unique<BlockSubsetReader>(text));
    Status<YamlError> parsed = parse(subset);
    if (parsed.ok() || reading == YamlReading::kSubsetOnly) return parsed;
  }
  YamlDecoder decoder(text);
  return parse(decoder);
}

}  // namespace lumra::payload
