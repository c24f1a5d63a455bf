// YamlDecoder: one YAML document read node by node from an event stream
// (libyaml's, or the block-subset reader's), for mapping onto records
// (record_schema.h).
//
// Nothing is ever held but the current event, so a payload of hundreds of
// megabytes is decoded in the memory of its records. Every read consumes one
// whole node or reports why it cannot, with libyaml's position of the node.
// Hostile documents are refused rather than followed: an alias is an error
// wherever a value is read (no expansion can be asked for), nesting deeper
// than kMaxDepth is an error (skipped subtrees included), and a second
// document is an error. An alias inside a skipped subtree (the value of an
// unknown key) is skipped like any scalar: nothing expands it.
//
//   YamlDecoder decoder(text);
//   LUMRA_TRY(decoder.begin_document());
//   ... read the root node ...
//   LUMRA_TRY(decoder.end_document());
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "core/base/result.h"
#include "payload/yaml/yaml_error.h"
#include "payload/yaml/yaml_event.h"
#include "payload/yaml/yaml_input.h"

namespace lumra::payload {

class YamlDecoder {
 public:
  // Collections nested deeper than this are refused. Our documents nest
  // four levels at most; the bound keeps libyaml's stacks small.
  static constexpr int kMaxDepth = 64;
  // next_key() at the end of a mapping.
  static constexpr std::size_t kEndOfMapping = SIZE_MAX;

  // Decodes `text`, which must outlive the decoder.
  explicit YamlDecoder(std::string_view text);
  // Decodes what `input` yields; `input` must outlive the decoder.
  explicit YamlDecoder(YamlInput& input);
  // Decodes the events of `source`.
  explicit YamlDecoder(std::unique_ptr<YamlEventSource> source);
  ~YamlDecoder();
  YamlDecoder(const YamlDecoder&) = delete;
  YamlDecoder& operator=(const YamlDecoder&) = delete;

  // Reads up to the root node of the one document of the stream.
  Status<YamlError> begin_document();
  // After the root node: the document must end, and so must the stream.
  Status<YamlError> end_document();

  // Where the current node starts.
  YamlMark mark() const;
  // The current node is a null scalar.
  bool at_null() const;

  // Scalars. Each consumes the current node; a node of another kind, or a
  // scalar that resolves otherwise, is an "invalid type" error and an
  // integer outside [0, max] an "invalid value" one. `type_name` names the
  // integer type in those messages ("u32").
  Status<YamlError> read_string(std::string& out);
  Status<YamlError> read_unsigned(std::uint64_t& out, std::uint64_t max, std::string_view type_name);
  Status<YamlError> read_bool(bool& out);
  // Consumes the current node and everything inside it.
  Status<YamlError> skip_node();

  // Sequences: enter_sequence(), then next_item() before each item, which
  // returns false after consuming the end of the sequence.
  Status<YamlError> enter_sequence();
  Result<bool, YamlError> next_item();

  // Mappings: enter_mapping() (`record_name` names the record in the type
  // error), then next_key() before each value. next_key() returns the index
  // of the key among `names` with the decoder on its value, and
  // kEndOfMapping after consuming the end of the mapping. Keys not among
  // `names` are skipped with their values; `key_mark` is where the returned
  // key starts.
  Status<YamlError> enter_mapping(std::string_view record_name);
  Result<std::size_t, YamlError> next_key(std::span<const std::string_view> names,
                                          YamlMark& key_mark);

  // `text` followed by the position `mark`.
  static YamlError error_at(std::string_view text, YamlMark mark);
  // "invalid type: {the current node}, expected {expected}" at the current
  // node.
  YamlError invalid_type(std::string_view expected) const;

 private:
  Status<YamlError> advance();

  std::unique_ptr<YamlEventSource> source_;
  YamlEvent event_;
  int depth_ = 0;
};

}  // namespace lumra::payload
