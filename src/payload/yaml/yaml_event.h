// The events a YAML document is read as, whichever reader produced them:
// libyaml's parser (libyaml_events.h) or the block-subset reader
// (block_subset_reader.h). YamlDecoder maps them onto records, so both
// readers go through the same record and type rules.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lumra::payload {

// A position in the text, counted from 1 as editors show it.
struct YamlMark {
  std::uint64_t line = 0;
  std::uint64_t column = 0;
};

struct YamlEvent {
  enum class Type {
    kNone,
    kStreamStart,
    kStreamEnd,
    kDocumentStart,
    kDocumentEnd,
    kAlias,
    kScalar,
    kSequenceStart,
    kSequenceEnd,
    kMappingStart,
    kMappingEnd,
  };
  Type type = Type::kNone;
  // A scalar's value, valid until the source's next event.
  std::string_view text;
  // The scalar's meaning comes from its text (plain_scalar.h): a plain
  // scalar without a tag, or one tagged with a core type. Quoted scalars and
  // other tags are text.
  bool resolved = false;
  YamlMark start;
};

class YamlEventSource {
 public:
  virtual ~YamlEventSource() = default;
  // The next event of the stream; false when the source cannot go on,
  // with error() saying why and where.
  virtual bool next(YamlEvent& event) = 0;
  virtual std::string error() const = 0;
};

}  // namespace lumra::payload
