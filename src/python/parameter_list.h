// Parameter lists, declared once per function or method.
//
// A parameter names itself, says what it accepts (its kind) and binds to a
// field of a plain struct that receives the converted call:
//
//   struct PairCall {
//     SymbolString left;
//     SymbolString right;
//     std::optional<std::uint64_t> score_cutoff;
//   };
//   constexpr auto kPairParameters = parameters(
//       text("left", &PairCall::left), text("right", &PairCall::right),
//       kKeywordOnly, optional_count("score_cutoff", &PairCall::score_cutoff));
//
// kKeywordOnly plays the part of the "*" of a Python signature. The field's
// type must suit the kind, or the declaration does not compile; a list that
// repeats a name or a field, puts a required positional parameter after an
// optional one, or puts a keyword-only block before kKeywordOnly does not
// compile either. The call parser, the conversions and the text signature
// (signature.h) all read this one list, and a list has as many parameters
// as it declares.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/base/symbols.h"
#include "core/base/text_table.h"
#include "core/strings/native_text.h"
#include "python/call_parser.h"

namespace lumra::python {

// What a parameter accepts; conversions.h says how each is converted.
namespace kinds {
struct Text {};            // a str: scalar values (SymbolString), its own storage
                           // (NativeText) or UTF-8 (std::string)
struct TextList {};        // a sequence of str, each as Text
struct Count {};           // an unsigned 64-bit integer through __index__
struct Real {};            // a double through float conversion
struct Flag {};            // True or False (NumPy booleans too)
struct CombinedCutoff {};  // the combined distance's cutoff rule
}  // namespace kinds

// Where a converted value goes: a field of the call struct...
template <class CallType, class FieldType>
struct Member {
  using Call = CallType;
  using Field = FieldType;
  Field Call::* field;
  Field& operator()(Call& call) const { return call.*field; }
};

// ...or a field of a block of fields inside it.
template <class CallType, class BlockType, class FieldType>
struct BlockMember {
  using Call = CallType;
  using Field = FieldType;
  BlockType Call::* block;
  Field BlockType::* field;
  Field& operator()(Call& call) const { return (call.*block).*field; }
};

template <class Kind, class Access>
struct Parameter {
  using Call = typename Access::Call;
  using Field = typename Access::Field;
  using ParameterKind = Kind;

  const char* name;
  Access access;
  Presence presence = Presence::kRequired;
  const char* default_text = nullptr;  // kDefaulted only
  bool keyword_only = false;
};

// The value a left-out text parameter stands for; None is still refused.
struct TextDefault {
  const char* text;
};

template <class Call>
constexpr auto text(const char* name, SymbolString Call::* field) {
  return Parameter<kinds::Text, Member<Call, SymbolString>>{name, {field}};
}
template <class Call>
constexpr auto text(const char* name, NativeText Call::* field) {
  return Parameter<kinds::Text, Member<Call, NativeText>>{name, {field}};
}
template <class Call>
constexpr auto text(const char* name, std::string Call::* field) {
  return Parameter<kinds::Text, Member<Call, std::string>>{name, {field}};
}
template <class Call>
constexpr auto text(const char* name, std::string Call::* field, TextDefault value) {
  return Parameter<kinds::Text, Member<Call, std::string>>{name, {field}, Presence::kDefaulted,
                                                           value.text};
}
template <class Call>
constexpr auto optional_text(const char* name, std::optional<std::string> Call::* field) {
  return Parameter<kinds::Text, Member<Call, std::optional<std::string>>>{name, {field},
                                                                          Presence::kOptional};
}
template <class Call>
constexpr auto text_list(const char* name, std::vector<SymbolString> Call::* field) {
  return Parameter<kinds::TextList, Member<Call, std::vector<SymbolString>>>{name, {field}};
}
template <class Call>
constexpr auto text_list(const char* name, TextTable Call::* field) {
  return Parameter<kinds::TextList, Member<Call, TextTable>>{name, {field}};
}
template <class Call>
constexpr auto text_list(const char* name, std::vector<std::string> Call::* field) {
  return Parameter<kinds::TextList, Member<Call, std::vector<std::string>>>{name, {field}};
}
template <class Call>
constexpr auto count(const char* name, std::uint64_t Call::* field) {
  return Parameter<kinds::Count, Member<Call, std::uint64_t>>{name, {field}};
}
template <class Call>
constexpr auto optional_count(const char* name, std::optional<std::uint64_t> Call::* field) {
  return Parameter<kinds::Count, Member<Call, std::optional<std::uint64_t>>>{
      name, {field}, Presence::kOptional};
}
template <class Call>
constexpr auto optional_real(const char* name, std::optional<double> Call::* field) {
  return Parameter<kinds::Real, Member<Call, std::optional<double>>>{name, {field},
                                                                     Presence::kOptional};
}
template <class Call>
constexpr auto optional_flag(const char* name, std::optional<bool> Call::* field) {
  return Parameter<kinds::Flag, Member<Call, std::optional<bool>>>{name, {field},
                                                                   Presence::kOptional};
}
template <class Call>
constexpr auto combined_cutoff(const char* name, std::optional<std::uint64_t> Call::* field) {
  return Parameter<kinds::CombinedCutoff, Member<Call, std::optional<std::uint64_t>>>{
      name, {field}, Presence::kOptional};
}

// The per-call reading options of the dictionary methods, all keyword-only.
// Unset means "the dictionary's default"; resolving them is the caller's
// business.
struct ReadingOptionArguments {
  std::optional<std::uint64_t> max_readings_per_segment;
  std::optional<std::uint64_t> max_span_chars;
  std::optional<std::uint64_t> max_paths;
  std::optional<bool> longest_only;
};

template <class Call>
struct ReadingOptionsBlock {
  ReadingOptionArguments Call::* block;
  const char* max_span_chars_name;
};

// The partial alignments call the option `max_span_chars` by another name,
// because their own positional `max_span_chars` is the span length.
template <class Call>
constexpr ReadingOptionsBlock<Call> reading_options(
    ReadingOptionArguments Call::* block, const char* max_span_chars_name = "max_span_chars") {
  return {block, max_span_chars_name};
}

// Where the keyword-only parameters begin, like "*" in a Python signature.
struct KeywordOnly {};
inline constexpr KeywordOnly kKeywordOnly{};

namespace parameter_list_detail {

template <class Kind, class Call, class Field>
constexpr auto block_option(const char* name, ReadingOptionArguments Call::* block,
                            Field ReadingOptionArguments::* field) {
  using Access = BlockMember<Call, ReadingOptionArguments, Field>;
  return Parameter<Kind, Access>{name, Access{block, field}, Presence::kOptional, nullptr, true};
}

template <class Kind, class Access>
constexpr auto flatten(const Parameter<Kind, Access>& parameter) {
  return std::tuple{parameter};
}
constexpr std::tuple<> flatten(KeywordOnly) { return {}; }
template <class Call>
constexpr auto flatten(const ReadingOptionsBlock<Call>& options) {
  using R = ReadingOptionArguments;
  return std::tuple{
      block_option<kinds::Count>("max_readings_per_segment", options.block,
                                 &R::max_readings_per_segment),
      block_option<kinds::Count>(options.max_span_chars_name, options.block, &R::max_span_chars),
      block_option<kinds::Count>("max_paths", options.block, &R::max_paths),
      block_option<kinds::Flag>("longest_only", options.block, &R::longest_only)};
}

template <class Item>
constexpr std::size_t width = std::tuple_size_v<decltype(flatten(std::declval<Item>()))>;

// Whether two parameters write the same field; fields of different types
// never alias.
template <class A, class B>
constexpr bool same_field(const A& a, const B& b) {
  if constexpr (!std::is_same_v<A, B>) {
    return false;
  } else if constexpr (requires { a.block; }) {
    return a.block == b.block && a.field == b.field;
  } else {
    return a.field == b.field;
  }
}

template <std::size_t I, std::size_t J, class Tuple>
constexpr void check_distinct_fields(const Tuple& parameters) {
  if constexpr (I < J) {
    if (same_field(std::get<I>(parameters).access, std::get<J>(parameters).access)) {
      throw "two parameters bind the same field";
    }
  }
}
template <std::size_t I, class Tuple, std::size_t... J>
constexpr void check_distinct_fields_of(const Tuple& parameters, std::index_sequence<J...>) {
  (check_distinct_fields<I, J>(parameters), ...);
}
template <class Tuple, std::size_t... I>
constexpr void check_distinct_fields(const Tuple& parameters, std::index_sequence<I...> all) {
  (check_distinct_fields_of<I>(parameters, all), ...);
}

// Fills in the parameter's description and applies the rules of a Python
// signature to it.
template <class P>
constexpr ParameterInfo describe(P& p, bool after_marker, bool& optional_positional_seen) {
  if (p.keyword_only && !after_marker) throw "keyword-only parameters must follow kKeywordOnly";
  if (after_marker) p.keyword_only = true;
  if (!p.keyword_only) {
    if (p.presence == Presence::kRequired && optional_positional_seen) {
      throw "a required positional parameter follows an optional one";
    }
    optional_positional_seen |= p.presence != Presence::kRequired;
  }
  if (p.presence == Presence::kDefaulted) {
    for (char c : std::string_view(p.default_text)) {
      if (c == '"' || c == '\\') throw "a default text cannot be shown as written";
    }
  }
  return ParameterInfo{p.name, std::string_view(p.name).size(), p.presence, p.keyword_only,
                       p.default_text};
}

}  // namespace parameter_list_detail

template <class... Params>
struct ParameterList {
  static_assert(sizeof...(Params) > 0, "a parameter list needs a parameter");
  using Call = typename std::tuple_element_t<0, std::tuple<Params...>>::Call;
  static_assert((std::is_same_v<Call, typename Params::Call> && ...),
                "every parameter of a list binds a field of the same call struct");
  static constexpr std::size_t kSize = sizeof...(Params);

  std::tuple<Params...> parameters;
  std::array<ParameterInfo, kSize> infos;
  std::size_t positional = 0;
  std::size_t required_positional = 0;
  std::size_t required_keywords = 0;
};

// Builds a parameter list from parameters, kKeywordOnly and blocks, in
// signature order. Consteval, so that every check below fails the build.
template <class... Items>
consteval auto parameters(Items... items) {
  using namespace parameter_list_detail;
  auto flat = std::tuple_cat(flatten(items)...);
  using Flat = decltype(flat);
  constexpr std::size_t size = std::tuple_size_v<Flat>;

  // Everything after kKeywordOnly is keyword-only.
  std::size_t before_marker = 0;
  bool marker_seen = false;
  ((marker_seen = marker_seen || std::is_same_v<Items, KeywordOnly>,
    before_marker += marker_seen ? 0 : width<Items>),
   ...);
  if ((static_cast<int>(std::is_same_v<Items, KeywordOnly>) + ...) > 1) {
    throw "kKeywordOnly appears twice";
  }

  auto list = [&]<std::size_t... I>(std::index_sequence<I...>) {
    return ParameterList<std::tuple_element_t<I, Flat>...>{{std::get<I>(flat)...}, {}};
  }(std::make_index_sequence<size>{});

  bool optional_positional_seen = false;
  [&]<std::size_t... I>(std::index_sequence<I...>) {
    ((list.infos[I] = describe(std::get<I>(list.parameters), marker_seen && I >= before_marker,
                               optional_positional_seen)),
     ...);
  }(std::make_index_sequence<size>{});
  for (const ParameterInfo& p : list.infos) {
    if (!p.keyword_only) ++list.positional;
    if (!p.keyword_only && p.presence == Presence::kRequired) ++list.required_positional;
    if (p.keyword_only && p.presence == Presence::kRequired) ++list.required_keywords;
  }

  for (std::size_t i = 0; i < size; ++i) {
    for (std::size_t j = i + 1; j < size; ++j) {
      if (std::string_view(list.infos[i].name) == std::string_view(list.infos[j].name)) {
        throw "a parameter name appears twice";
      }
    }
  }
  check_distinct_fields(list.parameters, std::make_index_sequence<size>{});

  return list;
}

}  // namespace lumra::python
