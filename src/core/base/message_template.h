// Error messages filled from one fixed template per error.
//
// Every error variant owns exactly one template such as
//   "UniDic artifact {} length/count {} exceeds limit {}"
// whose "{}" placeholders are filled from its fields, left to right. The
// number of placeholders is checked against the number of fields when the
// program is compiled, so a template and its call cannot drift apart.
//
// Fields: integers are written in plain decimal, text as it stands; wrap a
// text in Quoted (quoted.h) for the quoted form.
#pragma once

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "core/base/quoted.h"

namespace lumra {

namespace message_detail {

consteval std::size_t count_placeholders(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == '{' && text[i + 1] == '}') ++count;
  }
  return count;
}

inline void append_field(std::string& out, std::string_view text) { out += text; }
inline void append_field(std::string& out, const std::string& text) { out += text; }
inline void append_field(std::string& out, const char* text) { out += text; }
template <std::integral Integer>
  requires(!std::same_as<Integer, bool> && !std::same_as<Integer, char>)
void append_field(std::string& out, Integer value) {
  out += std::to_string(value);
}
inline void append_field(std::string& out, Quoted field) { out += quoted_text(field.text); }
inline void append_field(std::string& out, QuotedChar field) {
  out += quoted_char(field.character);
}

}  // namespace message_detail

// A template whose placeholder count matches `Fields`; anything else does
// not compile.
template <class... Fields>
struct MessageTemplate {
  template <class Text>
    requires std::convertible_to<const Text&, std::string_view>
  consteval MessageTemplate(const Text& text) : text(text) {
    if (message_detail::count_placeholders(this->text) != sizeof...(Fields)) {
      throw "the template's placeholders do not match its fields";
    }
  }
  std::string_view text;
};

// The template with its placeholders replaced by `fields`, in order.
template <class... Fields>
std::string fill_message(MessageTemplate<std::type_identity_t<Fields>...> message,
                         const Fields&... fields) {
  std::string out;
  std::string_view rest = message.text;
  // A template without placeholders takes no field and needs no filling.
  if constexpr (sizeof...(Fields) > 0) {
    auto next = [&](const auto& field) {
      std::size_t at = rest.find("{}");
      out += rest.substr(0, at);
      message_detail::append_field(out, field);
      rest.remove_prefix(at + 2);
    };
    (next(fields), ...);
  }
  out += rest;
  return out;
}

}  // namespace lumra
