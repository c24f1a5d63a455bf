#include "payload/yaml/yaml_decoder.h"

#include "core/base/message_template.h"
#include "core/base/quoted.h"
#include "payload/yaml/libyaml_events.h"
#include "payload/yaml/plain_scalar.h"

namespace lumra::payload {

namespace {

using Type = YamlEvent::Type;

// Strings longer than this are described by their size in type errors: a
// message should not carry megabytes of payload.
constexpr std::size_t kShownStringBytes = 64;

ScalarKind scalar_kind(const YamlEvent& event) {
  return event.resolved ? resolve_plain_scalar(event.text) : ScalarKind::kString;
}

bool is_scalar_of(const YamlEvent& event, ScalarKind kind) {
  return event.type == Type::kScalar && scalar_kind(event) == kind;
}

}  // namespace

YamlDecoder::YamlDecoder(std::string_view text)
    : YamlDecoder(std::make_unique<LibyamlEvents>(text)) {}

YamlDecoder::YamlDecoder(YamlInput& input) : YamlDecoder(std::make_unique<LibyamlEvents>(input)) {}

YamlDecoder::YamlDecoder(std::unique_ptr<YamlEventSource> source) : source_(std::move(source)) {}

YamlDecoder::~YamlDecoder() = default;

YamlError YamlDecoder::error_at(std::string_view text, YamlMark mark) {
  return {fill_message("{} at line {} column {}", text, mark.line, mark.column)};
}

YamlMark YamlDecoder::mark() const { return event_.start; }

YamlError YamlDecoder::invalid_type(std::string_view expected) const {
  // Every reader lands here on a node it cannot take, an alias included.
  if (event_.type == Type::kAlias) return error_at("YAML aliases are not supported", mark());
  std::string found;
  switch (event_.type) {
    case Type::kSequenceStart:
      found = "sequence";
      break;
    case Type::kMappingStart:
      found = "map";
      break;
    case Type::kScalar: {
      std::string_view text = event_.text;
      switch (scalar_kind(event_)) {
        case ScalarKind::kNull:
          found = "null";
          break;
        case ScalarKind::kBool:
          found = fill_message("boolean `{}`", text);
          break;
        case ScalarKind::kInteger:
          found = fill_message("integer `{}`", text);
          break;
        case ScalarKind::kFloat:
          found = fill_message("floating point `{}`", text);
          break;
        case ScalarKind::kString:
          found = text.size() <= kShownStringBytes ? fill_message("string {}", Quoted{text})
                                                   : fill_message("string of {} bytes", text.size());
          break;
      }
      break;
    }
    default:
      found = "end of document";
      break;
  }
  return error_at(fill_message("invalid type: {}, expected {}", found, expected), mark());
}

Status<YamlError> YamlDecoder::advance() {
  if (!source_->next(event_)) {
    event_ = {};
    return Fail(YamlError{source_->error()});
  }
  switch (event_.type) {
    case Type::kSequenceStart:
    case Type::kMappingStart:
      if (++depth_ > kMaxDepth) {
        return Fail(error_at(fill_message("YAML nesting deeper than {} levels", kMaxDepth), mark()));
      }
      break;
    case Type::kSequenceEnd:
    case Type::kMappingEnd:
      --depth_;
      break;
    default:
      break;
  }
  return Unit{};
}

Status<YamlError> YamlDecoder::begin_document() {
  LUMRA_TRY(advance());  // the start of the stream
  LUMRA_TRY(advance());
  if (event_.type == Type::kStreamEnd) {
    return Fail(error_at("the YAML stream holds no document", mark()));
  }
  return advance();  // onto the root node
}

Status<YamlError> YamlDecoder::end_document() {
  LUMRA_TRY(advance());  // past the end of the document
  if (event_.type != Type::kStreamEnd) {
    return Fail(error_at("a YAML stream of more than one document", mark()));
  }
  return Unit{};
}

bool YamlDecoder::at_null() const { return is_scalar_of(event_, ScalarKind::kNull); }

Status<YamlError> YamlDecoder::read_string(std::string& out) {
  if (!is_scalar_of(event_, ScalarKind::kString)) return Fail(invalid_type("a string"));
  out.assign(event_.text);
  return advance();
}

Status<YamlError> YamlDecoder::read_unsigned(std::uint64_t& out, std::uint64_t max,
                                             std::string_view type_name) {
  if (!is_scalar_of(event_, ScalarKind::kInteger)) return Fail(invalid_type(type_name));
  std::string_view text = event_.text;
  IntegerValue value = parse_integer(text);
  if (value.overflow || (value.negative && value.magnitude != 0) || value.magnitude > max) {
    return Fail(error_at(fill_message("invalid value: integer `{}`, expected {}", text, type_name),
                         mark()));
  }
  out = value.magnitude;
  return advance();
}

Status<YamlError> YamlDecoder::read_bool(bool& out) {
  if (!is_scalar_of(event_, ScalarKind::kBool)) return Fail(invalid_type("a boolean"));
  char first = event_.text[0];
  out = first == 't' || first == 'T';
  return advance();
}

Status<YamlError> YamlDecoder::skip_node() {
  int open = 0;
  do {
    switch (event_.type) {
      case Type::kSequenceStart:
      case Type::kMappingStart:
        ++open;
        break;
      case Type::kSequenceEnd:
      case Type::kMappingEnd:
        --open;
        break;
      default:
        break;
    }
    LUMRA_TRY(advance());
  } while (open > 0);
  return Unit{};
}

Status<YamlError> YamlDecoder::enter_sequence() {
  if (event_.type != Type::kSequenceStart) return Fail(invalid_type("a sequence"));
  return advance();
}

Result<bool, YamlError> YamlDecoder::next_item() {
  if (event_.type != Type::kSequenceEnd) return true;
  LUMRA_TRY(advance());
  return false;
}

Status<YamlError> YamlDecoder::enter_mapping(std::string_view record_name) {
  if (event_.type != Type::kMappingStart) {
    return Fail(invalid_type(fill_message("struct {}", record_name)));
  }
  return advance();
}

Result<std::size_t, YamlError> YamlDecoder::next_key(std::span<const std::string_view> names,
                                                     YamlMark& key_mark) {
  for (;;) {
    if (event_.type == Type::kMappingEnd) {
      LUMRA_TRY(advance());
      return kEndOfMapping;
    }
    key_mark = mark();
    if (event_.type != Type::kScalar) {
      // A collection as a key names no field: skip it and its value.
      LUMRA_TRY(skip_node());
      LUMRA_TRY(skip_node());
      continue;
    }
    std::string_view key = event_.text;
    std::size_t index = 0;
    while (index < names.size() && names[index] != key) ++index;
    LUMRA_TRY(advance());
    if (index < names.size()) return index;
    LUMRA_TRY(skip_node());
  }
}

}  // namespace lumra::payload
