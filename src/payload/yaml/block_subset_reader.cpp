#include "payload/yaml/block_subset_reader.h"

#include "core/base/message_template.h"
#include "core/base/utf8.h"
#include "payload/yaml/safe_characters.h"

namespace lumra::payload {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// libyaml refuses an implicit key of more than 1024 characters; well under
// that, a key's length is no doubt.
constexpr std::size_t kMaxKeyBytes = 512;
constexpr std::size_t kMaxBlocks = 32;
// Only a flow sequence puts many events on one line; beyond this many the
// waiting events would cost more memory than streaming them through libyaml.
constexpr std::size_t kMaxEventsPerLine = 1024;

// Characters that may not start a plain scalar here: YAML's indicators,
// whose meaning at the start of a scalar is not plain text.
constexpr std::string_view kIndicators = "-?:,[]{}#&*!|>'\"%@`";

bool is_digit(char c) { return c >= '0' && c <= '9'; }

int hex_value(char c) {
  if (is_digit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}


// The character a one-letter escape of a double-quoted scalar stands for,
// or -1 when the letter is not one of them.
long simple_escape(char letter) {
  switch (letter) {
    case '0': return 0x00;
    case 'a': return 0x07;
    case 'b': return 0x08;
    case 't': return 0x09;
    case 'n': return 0x0A;
    case 'v': return 0x0B;
    case 'f': return 0x0C;
    case 'r': return 0x0D;
    case 'e': return 0x1B;
    case ' ': return 0x20;
    case '"': return 0x22;
    case '\\': return 0x5C;
    case 'N': return 0x85;
    case '_': return 0xA0;
    case 'L': return 0x2028;
    case 'P': return 0x2029;
    default: return -1;
  }
}

int hex_escape_digits(char letter) {
  switch (letter) {
    case 'x': return 2;
    case 'u': return 4;
    case 'U': return 8;
    default: return 0;
  }
}

}  // namespace

BlockSubsetReader::BlockSubsetReader(std::string_view text) : text_(text) {
  if (text_.starts_with(kByteOrderMark)) position_ = kByteOrderMark.size();
}

std::string BlockSubsetReader::error() const {
  return fill_message("the block-subset YAML reader gave up: {} at line {}", reason_, line_number_);
}

bool BlockSubsetReader::give_up(std::string_view reason) {
  if (phase_ != Phase::kGaveUp) reason_.assign(reason);
  phase_ = Phase::kGaveUp;
  return false;
}

bool BlockSubsetReader::next(YamlEvent& event) {
  if (next_pending_ == pending_.size()) {
    if (phase_ == Phase::kGaveUp) return false;
    if (phase_ == Phase::kDone) return give_up("a read past the end of the stream");
    pending_.clear();
    next_pending_ = 0;
    scratch_.clear();
    if (phase_ == Phase::kStart) {
      if (!has_only_safe_characters(text_.substr(position_))) {
        return give_up("a character outside the safe set");
      }
      phase_ = Phase::kBody;
      emit(Type::kStreamStart, 0);
      emit(Type::kDocumentStart, 0);
    } else if (!read_line()) {
      return false;
    }
  }
  const Pending& pending = pending_[next_pending_++];
  event.type = pending.type;
  event.resolved = pending.plain;
  event.start = {line_number_, pending.column + 1};
  std::string_view source = pending.in_scratch ? std::string_view(scratch_) : text_;
  event.text = source.substr(pending.offset, pending.length);
  return true;
}

// Reads lines until one yields events, or the text ends.
bool BlockSubsetReader::read_line() {
  while (pending_.empty()) {
    if (position_ >= text_.size()) return finish_document();
    std::size_t end = text_.find('\n', position_);
    std::size_t next_line = end == std::string_view::npos ? text_.size() : end + 1;
    if (end == std::string_view::npos) end = text_.size();
    line_start_ = position_;
    line_end_ = end;
    // The safe characters put a CR only before an LF.
    if (line_end_ > line_start_ && text_[line_end_ - 1] == '\r') --line_end_;
    position_ = next_line;
    ++line_number_;

    std::size_t content = skip_spaces(line_start_);
    if (content == line_end_ || text_[content] == '#') continue;
    if (document_ended_) return give_up("content after the end of the document");
    std::size_t indent = content - line_start_;
    std::string_view line = text_.substr(line_start_, line_end_ - line_start_);
    if (indent == 0 && (line.starts_with("---") || line.starts_with("..."))) {
      if (!rest_is_comment(line_start_ + 3)) return give_up("a line starting like a marker");
      if (line[0] == '-') {
        if (root_started_ || start_marker_seen_) return give_up("a second document");
        start_marker_seen_ = true;
      } else {
        if (!root_started_) return give_up("an empty document");
        document_ended_ = true;
      }
      continue;
    }
    if (!read_line_content(content, indent)) return false;
  }
  return true;
}

bool BlockSubsetReader::finish_document() {
  if (!root_started_) return give_up("no document");
  if (awaiting_node_) {
    awaiting_node_ = false;
    emit_null(line_end_);
  }
  while (!blocks_.empty()) end_block();
  emit(Type::kDocumentEnd, 0);
  emit(Type::kStreamEnd, 0);
  phase_ = Phase::kDone;
  return true;
}

bool BlockSubsetReader::start_block(bool sequence, std::size_t indent, bool indentless) {
  if (blocks_.size() >= kMaxBlocks) return give_up("deep nesting");
  blocks_.push_back({sequence, indent, indentless});
  emit(sequence ? Type::kSequenceStart : Type::kMappingStart, line_start_ + indent);
  return true;
}

void BlockSubsetReader::end_block() {
  emit(blocks_.back().sequence ? Type::kSequenceEnd : Type::kMappingEnd, line_start_);
  blocks_.pop_back();
}

bool BlockSubsetReader::read_line_content(std::size_t content, std::size_t indent) {
  const bool dash = is_dash(content);
  Scalar key{};
  // Whether the line is `key: ...`; only asked of lines without a dash.
  auto is_key_line = [&] { return !dash && read_scalar(content, false, key) && is_key_colon(key.end); };

  if (!root_started_) {
    if (indent != 0) return give_up("a root not at column 0");
    root_started_ = true;
    if (dash) return start_block(true, 0, false) && read_sequence_item(content);
    if (!is_key_line()) return give_up("a root that is not a block collection");
    return start_block(false, 0, false) && read_mapping_entry(content, key);
  }

  if (awaiting_node_) {
    awaiting_node_ = false;
    const Block owner = blocks_.back();
    if (dash && (indent > owner.indent || (!owner.sequence && indent == owner.indent))) {
      return start_block(true, indent, indent == owner.indent) && read_sequence_item(content);
    }
    if (indent > owner.indent) {
      if (!is_key_line()) return give_up("a value below its key that is not a block collection");
      return start_block(false, indent, false) && read_mapping_entry(content, key);
    }
    emit_null(content);
  }

  while (!blocks_.empty()) {
    const Block& top = blocks_.back();
    if (top.indent <= indent && !(top.indentless && top.indent == indent && !dash)) break;
    end_block();
  }
  if (blocks_.empty()) return give_up("content after the root node");
  const Block& top = blocks_.back();
  if (top.indent != indent) return give_up("an indentation that fits no open block");
  if (top.sequence) {
    if (!dash) return give_up("a line without a dash in a sequence");
    return read_sequence_item(content);
  }
  if (!is_key_line()) return give_up("a line that is not a key in a mapping");
  return read_mapping_entry(content, key);
}

bool BlockSubsetReader::read_sequence_item(std::size_t dash) {
  std::size_t start = skip_spaces(dash + 1);
  if (start == line_end_ || text_[start] == '#') {
    awaiting_node_ = true;
    return true;
  }
  if (is_dash(start)) return give_up("a sequence inside a sequence item");
  if (text_[start] == '[') return read_flow_sequence(start);
  Scalar scalar;
  if (!read_scalar(start, false, scalar)) return false;
  if (is_key_colon(scalar.end)) {
    return start_block(false, start - line_start_, false) && read_mapping_entry(start, scalar);
  }
  if (!rest_is_comment(scalar.end)) return give_up("more after an item");
  emit_scalar(scalar, start);
  return true;
}

bool BlockSubsetReader::read_mapping_entry(std::size_t key_start, const Scalar& key) {
  if (key.end - key_start > kMaxKeyBytes) return give_up("a long key");
  emit_scalar(key, key_start);
  return read_value(key.end + 1);
}

bool BlockSubsetReader::read_value(std::size_t after_colon) {
  std::size_t start = skip_spaces(after_colon);
  if (start == line_end_ || text_[start] == '#') {
    awaiting_node_ = true;
    return true;
  }
  if (text_[start] == '[') return read_flow_sequence(start);
  Scalar scalar;
  if (!read_scalar(start, false, scalar)) return false;
  if (!rest_is_comment(scalar.end)) return give_up("more after a value");
  emit_scalar(scalar, start);
  return true;
}

bool BlockSubsetReader::read_flow_sequence(std::size_t start) {
  if (blocks_.size() >= kMaxBlocks) return give_up("deep nesting");
  emit(Type::kSequenceStart, start);
  std::size_t at = skip_spaces(start + 1);
  if (at < line_end_ && text_[at] == ']') {
    emit(Type::kSequenceEnd, at);
    return rest_is_comment(at + 1) || give_up("more after a flow sequence");
  }
  for (;;) {
    if (at >= line_end_) return give_up("a flow sequence over several lines");
    if (pending_.size() > kMaxEventsPerLine) return give_up("a long flow sequence");
    Scalar item;
    if (!read_scalar(at, true, item)) return false;
    emit_scalar(item, at);
    at = skip_spaces(item.end);
    if (at >= line_end_) return give_up("a flow sequence over several lines");
    if (text_[at] == ']') {
      emit(Type::kSequenceEnd, at);
      return rest_is_comment(at + 1) || give_up("more after a flow sequence");
    }
    if (text_[at] != ',') return give_up("an unexpected character in a flow sequence");
    at = skip_spaces(at + 1);
    if (at < line_end_ && (text_[at] == ']' || text_[at] == ',')) {
      return give_up("an empty item in a flow sequence");
    }
  }
}

bool BlockSubsetReader::read_scalar(std::size_t start, bool in_flow, Scalar& scalar) {
  switch (text_[start]) {
    case '\'':
      return read_single_quoted(start, scalar);
    case '"':
      return read_double_quoted(start, scalar);
    default:
      return read_plain(start, in_flow, scalar);
  }
}

bool BlockSubsetReader::read_plain(std::size_t start, bool in_flow, Scalar& scalar) {
  char first = text_[start];
  if (kIndicators.find(first) != std::string_view::npos) {
    // "-1" and "-.5" are numbers; any other leading indicator is left to
    // libyaml.
    bool negative_number = first == '-' && start + 1 < line_end_ &&
                           (is_digit(text_[start + 1]) || text_[start + 1] == '.');
    if (!negative_number) return give_up("a scalar starting with an indicator");
  }
  std::size_t at = start;
  while (at < line_end_) {
    char c = text_[at];
    if (c == ' ') {
      std::size_t next = skip_spaces(at);
      if (next == line_end_ || text_[next] == '#') break;
      if (in_flow && (text_[next] == ',' || text_[next] == ']')) break;
      if (text_[next] == ':') return give_up("a space before a colon");
      at = next;
      continue;
    }
    if (c == ':') {
      if (!in_flow && (at + 1 == line_end_ || text_[at + 1] == ' ')) break;
      return give_up("a colon inside a plain scalar");
    }
    if (in_flow && (c == ',' || c == ']')) break;
    if (c == '#' || c == ',' || c == '[' || c == ']' || c == '{' || c == '}') {
      return give_up("a flow indicator or \"#\" inside a plain scalar");
    }
    // Inside brackets, where more characters end or start tokens, only a
    // dash of all the indicators is taken for text.
    if (in_flow && c != '-' && kIndicators.find(c) != std::string_view::npos) {
      return give_up("an indicator inside a plain scalar in a flow sequence");
    }
    ++at;
  }
  scalar = {true, false, start, at - start, at};
  return true;
}

bool BlockSubsetReader::read_single_quoted(std::size_t start, Scalar& scalar) {
  std::size_t at = start + 1;
  bool doubled_quote = false;
  std::size_t close;
  for (;;) {
    close = text_.find('\'', at);
    if (close >= line_end_) return give_up("a quoted scalar over several lines");
    if (close + 1 < line_end_ && text_[close + 1] == '\'') {
      doubled_quote = true;
      at = close + 2;
      continue;
    }
    break;
  }
  std::string_view body = text_.substr(start + 1, close - start - 1);
  if (!doubled_quote) {
    scalar = {false, false, start + 1, body.size(), close + 1};
    return true;
  }
  std::size_t offset = scratch_.size();
  for (std::size_t i = 0; i < body.size(); ++i) {
    scratch_ += body[i];
    if (body[i] == '\'') ++i;  // the second quote of ''
  }
  scalar = {false, true, offset, scratch_.size() - offset, close + 1};
  return true;
}

bool BlockSubsetReader::read_double_quoted(std::size_t start, Scalar& scalar) {
  std::size_t at = start + 1;
  while (at < line_end_ && text_[at] != '"' && text_[at] != '\\') ++at;
  if (at >= line_end_) return give_up("a quoted scalar over several lines");
  if (text_[at] == '"') {
    scalar = {false, false, start + 1, at - start - 1, at + 1};
    return true;
  }
  std::size_t offset = scratch_.size();
  scratch_.append(text_.substr(start + 1, at - start - 1));
  for (;;) {
    if (at >= line_end_) return give_up("a quoted scalar over several lines");
    char c = text_[at];
    if (c == '"') break;
    if (c != '\\') {
      scratch_ += c;
      ++at;
      continue;
    }
    if (at + 1 >= line_end_) return give_up("an escaped line break");
    char letter = text_[at + 1];
    at += 2;
    if (long code = simple_escape(letter); code >= 0) {
      append_char(scratch_, static_cast<char32_t>(code));
      continue;
    }
    int digits = hex_escape_digits(letter);
    if (digits == 0) return give_up("an escape outside the known set");
    if (line_end_ - at < static_cast<std::size_t>(digits)) return give_up("a short escape");
    char32_t code = 0;
    for (int i = 0; i < digits; ++i) {
      int value = hex_value(text_[at + i]);
      if (value < 0) return give_up("a short escape");
      code = (code << 4) | static_cast<char32_t>(value);
    }
    at += static_cast<std::size_t>(digits);
    if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
      return give_up("an escape of no character");
    }
    append_char(scratch_, code);
  }
  scalar = {false, true, offset, scratch_.size() - offset, at + 1};
  return true;
}

// Nothing but spaces and a comment from `at` to the end of the line; a
// comment must follow a space.
bool BlockSubsetReader::rest_is_comment(std::size_t at) const {
  std::size_t next = skip_spaces(at);
  return next == line_end_ || (text_[next] == '#' && next > at);
}

bool BlockSubsetReader::is_dash(std::size_t at) const {
  return text_[at] == '-' && (at + 1 == line_end_ || text_[at + 1] == ' ');
}

bool BlockSubsetReader::is_key_colon(std::size_t at) const {
  return at < line_end_ && text_[at] == ':' && (at + 1 == line_end_ || text_[at + 1] == ' ');
}

std::size_t BlockSubsetReader::skip_spaces(std::size_t at) const {
  while (at < line_end_ && text_[at] == ' ') ++at;
  return at;
}

void BlockSubsetReader::emit(Type type, std::size_t at) {
  pending_.push_back({type, false, false, 0, 0, at >= line_start_ ? at - line_start_ : 0});
}

void BlockSubsetReader::emit_scalar(const Scalar& scalar, std::size_t at) {
  pending_.push_back({Type::kScalar, scalar.plain, scalar.in_scratch, scalar.offset, scalar.length,
                      at - line_start_});
}

void BlockSubsetReader::emit_null(std::size_t at) {
  pending_.push_back({Type::kScalar, true, false, 0, 0, at >= line_start_ ? at - line_start_ : 0});
}

}  // namespace lumra::payload
