// A callable's name and parameter list, and the text signature made from
// them.
//
// The docstring of every function and method is its text signature in
// CPython's form, "name(params)\n--\n\n", from which __text_signature__
// and inspect.signature() report the parameters. It is written at compile
// time from the parameter list, so the names in it are the ones the parser
// matches.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "python/call_parser.h"
#include "python/parameter_list.h"

namespace lumra::python {

enum class CallForm : unsigned char {
  kFunction,      // a module function
  kMethod,        // an instance method: "$self" leads its text signature
  kFactory,       // a class method that makes instances; called on the class or an instance
};

template <class List>
struct Signature {
  using Call = typename List::Call;

  const char* owner;  // the class of a method, nullptr for a function
  const char* name;
  CallForm form;
  List list;

  CallShape shape() const {
    return {owner,         name, list.infos, list.positional, list.required_positional,
            list.required_keywords};
  }
};

template <class List>
consteval Signature<List> function_signature(const char* name, const List& list) {
  return {nullptr, name, CallForm::kFunction, list};
}
template <class List>
consteval Signature<List> method_signature(const char* owner, const char* name, const List& list) {
  return {owner, name, CallForm::kMethod, list};
}
template <class List>
consteval Signature<List> factory_signature(const char* owner, const char* name,
                                            const List& list) {
  return {owner, name, CallForm::kFactory, list};
}

namespace signature_detail {

// Counts the characters when `out` is null, writes them otherwise.
struct Writer {
  char* out;
  std::size_t length = 0;
  constexpr void add(std::string_view text) {
    for (char c : text) {
      if (out != nullptr) out[length] = c;
      ++length;
    }
  }
};

template <class List>
constexpr void write_text_signature(const Signature<List>& signature, Writer& writer) {
  writer.add(signature.name);
  writer.add("(");
  bool first = true;
  auto next = [&] {
    if (!first) writer.add(", ");
    first = false;
  };
  if (signature.form == CallForm::kMethod) {
    next();
    writer.add("$self");
  }
  bool star_written = false;
  for (const ParameterInfo& p : signature.list.infos) {
    if (p.keyword_only && !star_written) {
      next();
      writer.add("*");
      star_written = true;
    }
    next();
    writer.add(p.name);
    if (p.presence == Presence::kOptional) writer.add("=None");
    if (p.presence == Presence::kDefaulted) {
      writer.add("=\"");
      writer.add(p.default_text);
      writer.add("\"");
    }
  }
  writer.add(")\n--\n\n");
}

template <const auto& kSignature>
struct TextSignature {
  static constexpr std::size_t kLength = [] {
    Writer counter{nullptr};
    write_text_signature(kSignature, counter);
    return counter.length;
  }();
  static constexpr std::array<char, kLength + 1> kText = [] {
    std::array<char, kLength + 1> text{};
    Writer writer{text.data()};
    write_text_signature(kSignature, writer);
    return text;
  }();
};

}  // namespace signature_detail

// The docstring of the callable that `kSignature` describes.
template <const auto& kSignature>
constexpr const char* kTextSignature = signature_detail::TextSignature<kSignature>::kText.data();

}  // namespace lumra::python
