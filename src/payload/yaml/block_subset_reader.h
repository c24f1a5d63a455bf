// BlockSubsetReader: the events of a YAML document written in the plain
// block style that payload files use, read without libyaml at several times
// its speed.
//
// It reads only what it is sure libyaml reads the same way, and gives up
// (next() returns false) at the first thing it is not sure of. A loader then
// reads the whole document again through libyaml (yaml_reading.h), which
// alone reports every error. So a document this reader accepts yields the
// events libyaml yields, and a document it refuses costs a second reading.
//
// Accepted:
//   - UTF-8 of the characters of safe_characters.h: no tabs, no control
//     characters; lines end with LF or CRLF; a UTF-8 byte order mark only as
//     the first three bytes;
//   - blank lines and comment lines at any indentation, and comments after a
//     value ("key: value  # note");
//   - one document: before it an optional "---" line, after it an optional
//     "..." line, around them only blank and comment lines;
//   - a root block mapping or block sequence starting at column 0;
//   - block mappings of `key: value` and `key:` lines at one indentation,
//     keys being plain or quoted scalars of at most 512 bytes followed at
//     once by ":" and a space or the end of the line;
//   - block sequences of "- " items at one indentation, including a
//     sequence as a mapping's value at the mapping's own indentation, and
//     the compact mapping "- key: value" whose further keys stand at the
//     column of its first;
//   - an empty value (nothing after "key:" or "-" and nothing more indented
//     below it), read as the empty plain scalar, that is null;
//   - single-line scalars: plain ones that do not start with an indicator
//     (a "-" only before a digit or "."), hold no ":", "#", ",", "[", "]",
//     "{" or "}" and end before " #" or the line's end, trailing spaces
//     dropped; single-quoted ones with '' for a quote; double-quoted ones
//     with the escapes \0 \a \b \t \n \v \f \r \e \" \\ \N \_ \L \P, a
//     backslash-space, and \xXX, \uXXXX, \UXXXXXXXX of a scalar value;
//   - single-line flow sequences "[a, 'b', "c"]" of such scalars (plain
//     ones there free of every indicator but "-"), "[]" included, no
//     trailing comma;
//   - at most 32 levels of nesting and 1024 events on one line.
// Everything else - anchors, aliases, tags, directives, block scalars, flow
// mappings, multi-line scalars, explicit keys, a scalar as the root, a
// second document, tabs, a lone CR, non-UTF-8 - makes it give up, as does
// any line whose indentation fits none of the open blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "payload/yaml/yaml_event.h"

namespace lumra::payload {

class BlockSubsetReader final : public YamlEventSource {
 public:
  // Reads `text`, which must outlive the reader.
  explicit BlockSubsetReader(std::string_view text);

  bool next(YamlEvent& event) override;
  // Why the reader gave up, and on which line.
  std::string error() const override;

 private:
  using Type = YamlEvent::Type;

  struct Block {
    bool sequence;
    std::size_t indent;
    // A sequence that is a mapping's value at the mapping's indentation: a
    // line at that indentation without a "-" ends it.
    bool indentless;
  };
  // An event waiting to be handed out; a scalar's text lies in the input
  // (`in_scratch` false) or in `scratch_`, by offset, since the scratch may
  // grow while the line is read.
  struct Pending {
    Type type;
    bool plain;
    bool in_scratch;
    std::size_t offset;
    std::size_t length;
    std::size_t column;
  };
  // A scalar found on a line.
  struct Scalar {
    bool plain;
    bool in_scratch;
    std::size_t offset;
    std::size_t length;
    std::size_t end;  // where the scalar's source text ends in the input
  };

  bool give_up(std::string_view reason);
  bool read_line();
  bool finish_document();
  bool start_block(bool sequence, std::size_t indent, bool indentless);
  void end_block();
  bool read_line_content(std::size_t content, std::size_t indent);
  bool read_sequence_item(std::size_t dash);
  bool read_mapping_entry(std::size_t key_start, const Scalar& key);
  bool read_value(std::size_t start);
  bool read_flow_sequence(std::size_t start);
  bool read_scalar(std::size_t start, bool in_flow, Scalar& scalar);
  bool read_plain(std::size_t start, bool in_flow, Scalar& scalar);
  bool read_single_quoted(std::size_t start, Scalar& scalar);
  bool read_double_quoted(std::size_t start, Scalar& scalar);
  bool rest_is_comment(std::size_t at) const;
  bool is_dash(std::size_t at) const;
  bool is_key_colon(std::size_t at) const;
  std::size_t skip_spaces(std::size_t at) const;
  void emit(Type type, std::size_t at);
  void emit_scalar(const Scalar& scalar, std::size_t at);
  void emit_null(std::size_t at);

  std::string_view text_;
  std::size_t position_ = 0;  // the start of the next line
  // The current line: [line_start_, line_end_), its break excluded.
  std::size_t line_start_ = 0;
  std::size_t line_end_ = 0;
  std::uint64_t line_number_ = 0;

  enum class Phase { kStart, kBody, kDone, kGaveUp };
  Phase phase_ = Phase::kStart;
  bool root_started_ = false;
  bool start_marker_seen_ = false;  // a "---" line came
  bool document_ended_ = false;  // after "...": only blank and comment lines
  // After "key:" or "-" with nothing on the line, the node below it, of a
  // greater indentation (or an indentless sequence), or else null.
  bool awaiting_node_ = false;

  std::vector<Block> blocks_;
  std::vector<Pending> pending_;
  std::size_t next_pending_ = 0;
  std::string scratch_;
  std::string reason_;
};

}  // namespace lumra::payload
