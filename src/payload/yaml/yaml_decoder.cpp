#include "payload/yaml/yaml_decoder.h"

#include <yaml.h>

#include <cstring>

#include "core/base/message_template.h"
#include "core/base/quoted.h"
#include "payload/yaml/plain_scalar.h"

namespace lumra::payload {

namespace {

int read_from_input(void* data, unsigned char* buffer, std::size_t capacity,
                    std::size_t* size_read) {
  return static_cast<YamlInput*>(data)->read(buffer, capacity, *size_read) ? 1 : 0;
}

YamlMark to_mark(const yaml_mark_t& mark) { return {mark.line + 1, mark.column + 1}; }

bool is_tag(const yaml_char_t* tag, const char* name) {
  return tag != nullptr && std::strcmp(reinterpret_cast<const char*>(tag), name) == 0;
}

// Strings longer than this are described by their size in type errors: a
// message should not carry megabytes of payload.
constexpr std::size_t kShownStringBytes = 64;

}  // namespace

struct YamlDecoder::Parser {
  yaml_parser_t parser{};
  yaml_event_t event{};
  bool initialized = false;
  bool has_event = false;
  int depth = 0;

  Parser() { initialized = yaml_parser_initialize(&parser) != 0; }
  ~Parser() {
    if (has_event) yaml_event_delete(&event);
    if (initialized) yaml_parser_delete(&parser);
  }

  yaml_event_type_t type() const { return has_event ? event.type : YAML_NO_EVENT; }
  std::string_view scalar_text() const {
    return {reinterpret_cast<const char*>(event.data.scalar.value), event.data.scalar.length};
  }
  ScalarKind scalar_kind() const {
    // A plain scalar without a tag is resolved from its text, and so is one
    // tagged with a core type; quoted or otherwise tagged scalars are text.
    const auto& scalar = event.data.scalar;
    const yaml_char_t* tag = scalar.tag;
    bool resolved = scalar.plain_implicit || is_tag(tag, YAML_NULL_TAG) ||
                    is_tag(tag, YAML_BOOL_TAG) || is_tag(tag, YAML_INT_TAG) ||
                    is_tag(tag, YAML_FLOAT_TAG);
    return resolved ? resolve_plain_scalar(scalar_text()) : ScalarKind::kString;
  }
  bool is_scalar_of(ScalarKind kind) const {
    return type() == YAML_SCALAR_EVENT && scalar_kind() == kind;
  }

  std::string parse_error() const {
    std::string text = parser.problem != nullptr ? parser.problem : "unknown YAML error";
    switch (parser.error) {
      case YAML_MEMORY_ERROR:
        return "out of memory while parsing YAML";
      case YAML_READER_ERROR:
        if (parser.problem_value != -1) {
          text += fill_message(" (byte value {})", parser.problem_value);
        }
        return text + fill_message(" at byte offset {}", parser.problem_offset);
      default:
        text = YamlDecoder::error_at(text, to_mark(parser.problem_mark)).message;
        if (parser.context != nullptr) {
          text += ", " + YamlDecoder::error_at(parser.context, to_mark(parser.context_mark)).message;
        }
        return text;
    }
  }
};

YamlDecoder::YamlDecoder(std::string_view text) : parser_(std::make_unique<Parser>()) {
  if (parser_->initialized) {
    yaml_parser_set_input_string(&parser_->parser,
                                 reinterpret_cast<const unsigned char*>(text.data()), text.size());
  }
}

YamlDecoder::YamlDecoder(YamlInput& input) : parser_(std::make_unique<Parser>()) {
  if (parser_->initialized) yaml_parser_set_input(&parser_->parser, read_from_input, &input);
}

YamlDecoder::~YamlDecoder() = default;

YamlError YamlDecoder::error_at(std::string_view text, YamlMark mark) {
  return {fill_message("{} at line {} column {}", text, mark.line, mark.column)};
}

YamlMark YamlDecoder::mark() const { return to_mark(parser_->event.start_mark); }

YamlError YamlDecoder::invalid_type(std::string_view expected) const {
  // Every reader lands here on a node it cannot take, an alias included.
  if (parser_->type() == YAML_ALIAS_EVENT) return error_at("YAML aliases are not supported", mark());
  std::string found;
  switch (parser_->type()) {
    case YAML_SEQUENCE_START_EVENT:
      found = "sequence";
      break;
    case YAML_MAPPING_START_EVENT:
      found = "map";
      break;
    case YAML_SCALAR_EVENT: {
      std::string_view text = parser_->scalar_text();
      switch (parser_->scalar_kind()) {
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
  Parser& p = *parser_;
  if (p.has_event) {
    yaml_event_delete(&p.event);
    p.has_event = false;
  }
  if (!yaml_parser_parse(&p.parser, &p.event)) return Fail(YamlError{p.parse_error()});
  p.has_event = true;
  switch (p.event.type) {
    case YAML_SEQUENCE_START_EVENT:
    case YAML_MAPPING_START_EVENT:
      if (++p.depth > kMaxDepth) {
        return Fail(error_at(fill_message("YAML nesting deeper than {} levels", kMaxDepth), mark()));
      }
      break;
    case YAML_SEQUENCE_END_EVENT:
    case YAML_MAPPING_END_EVENT:
      --p.depth;
      break;
    default:
      break;
  }
  return Unit{};
}

Status<YamlError> YamlDecoder::begin_document() {
  if (!parser_->initialized) return Fail(YamlError{"out of memory while parsing YAML"});
  LUMRA_TRY(advance());  // the start of the stream
  LUMRA_TRY(advance());
  if (parser_->type() == YAML_STREAM_END_EVENT) {
    return Fail(error_at("the YAML stream holds no document", mark()));
  }
  return advance();  // onto the root node
}

Status<YamlError> YamlDecoder::end_document() {
  LUMRA_TRY(advance());  // past the end of the document
  if (parser_->type() != YAML_STREAM_END_EVENT) {
    return Fail(error_at("a YAML stream of more than one document", mark()));
  }
  return Unit{};
}

bool YamlDecoder::at_null() const { return parser_->is_scalar_of(ScalarKind::kNull); }

Status<YamlError> YamlDecoder::read_string(std::string& out) {
  if (!parser_->is_scalar_of(ScalarKind::kString)) return Fail(invalid_type("a string"));
  out.assign(parser_->scalar_text());
  return advance();
}

Status<YamlError> YamlDecoder::read_unsigned(std::uint64_t& out, std::uint64_t max,
                                             std::string_view type_name) {
  if (!parser_->is_scalar_of(ScalarKind::kInteger)) return Fail(invalid_type(type_name));
  std::string_view text = parser_->scalar_text();
  IntegerValue value = parse_integer(text);
  if (value.overflow || (value.negative && value.magnitude != 0) || value.magnitude > max) {
    return Fail(error_at(fill_message("invalid value: integer `{}`, expected {}", text, type_name),
                         mark()));
  }
  out = value.magnitude;
  return advance();
}

Status<YamlError> YamlDecoder::read_bool(bool& out) {
  if (!parser_->is_scalar_of(ScalarKind::kBool)) return Fail(invalid_type("a boolean"));
  char first = parser_->scalar_text()[0];
  out = first == 't' || first == 'T';
  return advance();
}

Status<YamlError> YamlDecoder::skip_node() {
  int open = 0;
  do {
    switch (parser_->type()) {
      case YAML_SEQUENCE_START_EVENT:
      case YAML_MAPPING_START_EVENT:
        ++open;
        break;
      case YAML_SEQUENCE_END_EVENT:
      case YAML_MAPPING_END_EVENT:
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
  if (parser_->type() != YAML_SEQUENCE_START_EVENT) return Fail(invalid_type("a sequence"));
  return advance();
}

Result<bool, YamlError> YamlDecoder::next_item() {
  if (parser_->type() != YAML_SEQUENCE_END_EVENT) return true;
  LUMRA_TRY(advance());
  return false;
}

Status<YamlError> YamlDecoder::enter_mapping(std::string_view record_name) {
  if (parser_->type() != YAML_MAPPING_START_EVENT) {
    return Fail(invalid_type(fill_message("struct {}", record_name)));
  }
  return advance();
}

Result<std::size_t, YamlError> YamlDecoder::next_key(std::span<const std::string_view> names,
                                                     YamlMark& key_mark) {
  for (;;) {
    if (parser_->type() == YAML_MAPPING_END_EVENT) {
      LUMRA_TRY(advance());
      return kEndOfMapping;
    }
    key_mark = mark();
    if (parser_->type() != YAML_SCALAR_EVENT) {
      // A collection as a key names no field: skip it and its value.
      LUMRA_TRY(skip_node());
      LUMRA_TRY(skip_node());
      continue;
    }
    std::string_view key = parser_->scalar_text();
    std::size_t index = 0;
    while (index < names.size() && names[index] != key) ++index;
    LUMRA_TRY(advance());
    if (index < names.size()) return index;
    LUMRA_TRY(skip_node());
  }
}

}  // namespace lumra::payload
