// Mapping YAML documents onto C++ records.
//
// A record type describes its keys once, by specialising RecordSchema:
//
//   template <>
//   struct RecordSchema<LicenseReference> {
//     static constexpr std::string_view kName = "UnidicArtifactLicenseReference";
//     static constexpr auto kFields = std::make_tuple(
//         required_field("label", &LicenseReference::label),
//         optional_field("path", &LicenseReference::path));
//   };
//
// and decode_yaml_document(decoder, record) fills it. Keys may come in any
// order; keys not listed are skipped with their values; a listed key given
// twice is "duplicate field `key`", a required key that is absent "missing
// field `key`", and a value of the wrong kind "invalid type: ..., expected
// ..." (a record is expected as "struct {kName}"), each with its position.
// An optional key that is absent or null leaves its member value-initialised
// (std::nullopt, false, 0, empty).
//
// Member types: std::string, std::uint32_t, std::uint64_t, bool,
// std::optional<T>, std::vector<T>, records, and any type with a read_value
// overload of its own in its namespace (found by argument-dependent lookup),
// for members that must not be held whole.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "core/base/message_template.h"
#include "core/base/result.h"
#include "payload/yaml/yaml_decoder.h"

namespace lumra::payload {

template <class T>
struct RecordSchema;

template <class Record, class Member>
struct FieldSpec {
  std::string_view name;
  Member Record::* member;
  bool required;
};

template <class Record, class Member>
constexpr FieldSpec<Record, Member> required_field(std::string_view name, Member Record::* member) {
  return {name, member, true};
}
template <class Record, class Member>
constexpr FieldSpec<Record, Member> optional_field(std::string_view name, Member Record::* member) {
  return {name, member, false};
}

template <class T>
concept DescribedRecord = requires {
  RecordSchema<T>::kName;
  RecordSchema<T>::kFields;
};

inline Status<YamlError> read_value(YamlDecoder& decoder, std::string& out) {
  return decoder.read_string(out);
}
inline Status<YamlError> read_value(YamlDecoder& decoder, std::uint64_t& out) {
  return decoder.read_unsigned(out, UINT64_MAX, "u64");
}
inline Status<YamlError> read_value(YamlDecoder& decoder, std::uint32_t& out) {
  std::uint64_t value = 0;
  LUMRA_TRY(decoder.read_unsigned(value, UINT32_MAX, "u32"));
  out = static_cast<std::uint32_t>(value);
  return Unit{};
}
inline Status<YamlError> read_value(YamlDecoder& decoder, bool& out) {
  return decoder.read_bool(out);
}

template <class T>
Status<YamlError> read_value(YamlDecoder& decoder, std::optional<T>& out) {
  if (decoder.at_null()) {
    out.reset();
    return decoder.skip_node();
  }
  if (!out) out.emplace();
  return read_value(decoder, *out);
}

// Reads into the elements already present before adding new ones, so that a
// vector decoded again and again (one entry after another) keeps the
// capacity of its strings.
template <class T>
Status<YamlError> read_value(YamlDecoder& decoder, std::vector<T>& out) {
  LUMRA_TRY(decoder.enter_sequence());
  std::size_t count = 0;
  for (;;) {
    LUMRA_TRY_ASSIGN(bool more, decoder.next_item());
    if (!more) break;
    if (count == out.size()) out.emplace_back();
    LUMRA_TRY(read_value(decoder, out[count]));
    ++count;
  }
  out.resize(count);
  return Unit{};
}

namespace record_detail {

template <class Record, class Member>
Status<YamlError> read_field(YamlDecoder& decoder, Record& record,
                             const FieldSpec<Record, Member>& field) {
  if (!field.required && decoder.at_null()) {
    record.*field.member = Member{};
    return decoder.skip_node();
  }
  return read_value(decoder, record.*field.member);
}

template <class Record, class Fields, std::size_t... I>
Status<YamlError> read_field_at(YamlDecoder& decoder, Record& record, const Fields& fields,
                                std::size_t index, std::index_sequence<I...>) {
  Status<YamlError> status = Unit{};
  // The fold stops at the field asked for; its value is not needed.
  static_cast<void>(
      ((I == index ? (status = read_field(decoder, record, std::get<I>(fields)), true) : false) ||
       ...));
  return status;
}

}  // namespace record_detail

template <DescribedRecord Record>
Status<YamlError> read_value(YamlDecoder& decoder, Record& record) {
  using Schema = RecordSchema<Record>;
  constexpr auto& fields = Schema::kFields;
  constexpr std::size_t kCount = std::tuple_size_v<std::decay_t<decltype(fields)>>;
  using Indexes = std::make_index_sequence<kCount>;
  static constexpr auto kNames = std::apply(
      [](const auto&... field) { return std::array<std::string_view, kCount>{field.name...}; },
      fields);

  YamlMark start = decoder.mark();
  LUMRA_TRY(decoder.enter_mapping(Schema::kName));
  std::bitset<kCount> seen;
  for (;;) {
    YamlMark key_mark;
    LUMRA_TRY_ASSIGN(std::size_t index, decoder.next_key(kNames, key_mark));
    if (index == YamlDecoder::kEndOfMapping) break;
    if (seen[index]) {
      return Fail(YamlDecoder::error_at(fill_message("duplicate field `{}`", kNames[index]),
                                        key_mark));
    }
    seen[index] = true;
    LUMRA_TRY(record_detail::read_field_at(decoder, record, fields, index, Indexes{}));
  }
  Status<YamlError> status = Unit{};
  std::apply(
      [&](const auto&... field) {
        std::size_t index = 0;
        auto settle = [&](const auto& spec) {
          if (status.ok() && !seen[index]) {
            if (spec.required) {
              status = Fail(YamlDecoder::error_at(fill_message("missing field `{}`", spec.name),
                                                  start));
            } else {
              record.*spec.member = {};
            }
          }
          ++index;
        };
        (settle(field), ...);
      },
      fields);
  return status;
}

// Reads the one document of the decoder's stream into `out`.
template <class T>
Status<YamlError> decode_yaml_document(YamlDecoder& decoder, T& out) {
  LUMRA_TRY(decoder.begin_document());
  LUMRA_TRY(read_value(decoder, out));
  return decoder.end_document();
}

}  // namespace lumra::payload
