#include "payload/yaml/plain_scalar.h"

#include <initializer_list>

namespace lumra::payload {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_octal(char c) { return c >= '0' && c <= '7'; }
bool is_hex(char c) {
  return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

template <class Predicate>
bool all_of(std::string_view text, Predicate predicate) {
  if (text.empty()) return false;
  for (char c : text) {
    if (!predicate(c)) return false;
  }
  return true;
}

bool is_one_of(std::string_view text, std::initializer_list<std::string_view> words) {
  for (std::string_view word : words) {
    if (text == word) return true;
  }
  return false;
}

std::string_view without_sign(std::string_view text) {
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) text.remove_prefix(1);
  return text;
}

bool is_integer(std::string_view text) {
  if (text.size() > 2 && text[0] == '0' && text[1] == 'o') return all_of(text.substr(2), is_octal);
  if (text.size() > 2 && text[0] == '0' && text[1] == 'x') return all_of(text.substr(2), is_hex);
  return all_of(without_sign(text), is_digit);
}

// [-+]? ( \. [0-9]+ | [0-9]+ ( \. [0-9]* )? ) ( [eE] [-+]? [0-9]+ )?
bool is_decimal_float(std::string_view text) {
  text = without_sign(text);
  std::size_t i = 0;
  auto digits = [&] {
    std::size_t start = i;
    while (i < text.size() && is_digit(text[i])) ++i;
    return i - start;
  };
  std::size_t whole = digits();
  if (i < text.size() && text[i] == '.') {
    ++i;
    if (digits() == 0 && whole == 0) return false;
  } else if (whole == 0) {
    return false;
  }
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    if (digits() == 0) return false;
  }
  return i == text.size();
}

bool is_float(std::string_view text) {
  return is_decimal_float(text) || is_one_of(without_sign(text), {".inf", ".Inf", ".INF"}) ||
         is_one_of(text, {".nan", ".NaN", ".NAN"});
}

}  // namespace

ScalarKind resolve_plain_scalar(std::string_view text) {
  if (text.empty()) return ScalarKind::kNull;
  // Most scalars of a payload are words of kana, Han or Latin letters: one
  // look at the first byte settles them.
  char first = text[0];
  if (!is_digit(first) && first != '-' && first != '+' && first != '.' && first != '~' &&
      first != 'n' && first != 'N' && first != 't' && first != 'T' && first != 'f' &&
      first != 'F') {
    return ScalarKind::kString;
  }
  if (is_one_of(text, {"~", "null", "Null", "NULL"})) return ScalarKind::kNull;
  if (is_one_of(text, {"true", "True", "TRUE", "false", "False", "FALSE"})) {
    return ScalarKind::kBool;
  }
  if (is_integer(text)) return ScalarKind::kInteger;
  if (is_float(text)) return ScalarKind::kFloat;
  return ScalarKind::kString;
}

IntegerValue parse_integer(std::string_view text) {
  IntegerValue value;
  unsigned base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'o' || text[1] == 'x')) {
    base = text[1] == 'o' ? 8 : 16;
    text.remove_prefix(2);
  } else if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    value.negative = text[0] == '-';
    text.remove_prefix(1);
  }
  for (char c : text) {
    unsigned digit = is_digit(c) ? c - '0' : (c | 0x20) - 'a' + 10;
    if (value.magnitude > (UINT64_MAX - digit) / base) {
      value.overflow = true;
      return value;
    }
    value.magnitude = value.magnitude * base + digit;
  }
  return value;
}

}  // namespace lumra::payload
