#include "payload/yaml/libyaml_events.h"

#include <yaml.h>

#include <cstring>

#include "core/base/message_template.h"

namespace lumra::payload {

namespace {

int read_from_input(void* data, unsigned char* buffer, std::size_t capacity,
                    std::size_t* size_read) {
  return static_cast<YamlInput*>(data)->read(buffer, capacity, *size_read) ? 1 : 0;
}

YamlMark to_mark(const yaml_mark_t& mark) { return {mark.line + 1, mark.column + 1}; }

std::string at_mark(std::string_view text, const yaml_mark_t& mark) {
  YamlMark at = to_mark(mark);
  return fill_message("{} at line {} column {}", text, at.line, at.column);
}

bool is_tag(const yaml_char_t* tag, const char* name) {
  return tag != nullptr && std::strcmp(reinterpret_cast<const char*>(tag), name) == 0;
}

YamlEvent::Type event_type(yaml_event_type_t type) {
  switch (type) {
    case YAML_STREAM_START_EVENT:
      return YamlEvent::Type::kStreamStart;
    case YAML_STREAM_END_EVENT:
      return YamlEvent::Type::kStreamEnd;
    case YAML_DOCUMENT_START_EVENT:
      return YamlEvent::Type::kDocumentStart;
    case YAML_DOCUMENT_END_EVENT:
      return YamlEvent::Type::kDocumentEnd;
    case YAML_ALIAS_EVENT:
      return YamlEvent::Type::kAlias;
    case YAML_SCALAR_EVENT:
      return YamlEvent::Type::kScalar;
    case YAML_SEQUENCE_START_EVENT:
      return YamlEvent::Type::kSequenceStart;
    case YAML_SEQUENCE_END_EVENT:
      return YamlEvent::Type::kSequenceEnd;
    case YAML_MAPPING_START_EVENT:
      return YamlEvent::Type::kMappingStart;
    case YAML_MAPPING_END_EVENT:
      return YamlEvent::Type::kMappingEnd;
    default:
      return YamlEvent::Type::kNone;
  }
}

}  // namespace

struct LibyamlEvents::Parser {
  yaml_parser_t parser{};
  yaml_event_t event{};
  bool initialized = false;
  bool has_event = false;

  Parser() { initialized = yaml_parser_initialize(&parser) != 0; }
  ~Parser() {
    if (has_event) yaml_event_delete(&event);
    if (initialized) yaml_parser_delete(&parser);
  }
};

LibyamlEvents::LibyamlEvents(std::string_view text) : parser_(std::make_unique<Parser>()) {
  if (parser_->initialized) {
    yaml_parser_set_input_string(&parser_->parser,
                                 reinterpret_cast<const unsigned char*>(text.data()), text.size());
  }
}

LibyamlEvents::LibyamlEvents(YamlInput& input) : parser_(std::make_unique<Parser>()) {
  if (parser_->initialized) yaml_parser_set_input(&parser_->parser, read_from_input, &input);
}

LibyamlEvents::~LibyamlEvents() = default;

bool LibyamlEvents::next(YamlEvent& event) {
  Parser& p = *parser_;
  if (p.has_event) {
    yaml_event_delete(&p.event);
    p.has_event = false;
  }
  if (!p.initialized || !yaml_parser_parse(&p.parser, &p.event)) return false;
  p.has_event = true;
  event.type = event_type(p.event.type);
  event.start = to_mark(p.event.start_mark);
  event.text = {};
  event.resolved = false;
  if (p.event.type == YAML_SCALAR_EVENT) {
    const auto& scalar = p.event.data.scalar;
    event.text = {reinterpret_cast<const char*>(scalar.value), scalar.length};
    const yaml_char_t* tag = scalar.tag;
    event.resolved = scalar.plain_implicit || is_tag(tag, YAML_NULL_TAG) ||
                     is_tag(tag, YAML_BOOL_TAG) || is_tag(tag, YAML_INT_TAG) ||
                     is_tag(tag, YAML_FLOAT_TAG);
  }
  return true;
}

std::string LibyamlEvents::error() const {
  const Parser& p = *parser_;
  if (!p.initialized) return "out of memory while parsing YAML";
  const yaml_parser_t& parser = p.parser;
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
      text = at_mark(text, parser.problem_mark);
      if (parser.context != nullptr) text += ", " + at_mark(parser.context, parser.context_mark);
      return text;
  }
}

}  // namespace lumra::payload
