#include "artifacts/build/unidic_columns.h"

#include <charconv>

namespace lumra::artifacts::build {

namespace {

std::string_view trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

// "; f[12]: goshu" -> (12, "goshu"); anything else is not a declaration.
std::optional<std::pair<std::size_t, std::string_view>> feature_declaration(
    std::string_view line) {
  line = trim(line);
  if (!line.starts_with(';')) return std::nullopt;
  line = trim(line.substr(1));
  if (!line.starts_with("f[")) return std::nullopt;
  line.remove_prefix(2);
  std::size_t index = 0;
  auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), index);
  if (error != std::errc{} || end == line.data()) return std::nullopt;
  line.remove_prefix(static_cast<std::size_t>(end - line.data()));
  if (!line.starts_with("]:")) return std::nullopt;
  std::string_view name = trim(line.substr(2));
  if (name.empty()) return std::nullopt;
  return std::pair{index, name};
}

}  // namespace

Result<UnidicColumns, std::string> UnidicColumns::from_dicrc(std::string_view text) {
  UnidicColumns columns;
  std::vector<bool> seen;
  while (!text.empty()) {
    std::size_t newline = text.find('\n');
    std::string_view line = text.substr(0, newline);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    auto declaration = feature_declaration(line);
    if (!declaration) continue;
    auto [index, name] = *declaration;
    // A real dicrc declares a few dozen features; a larger index is a
    // damaged file, not a reason to allocate.
    if (index >= 1024) return Fail("feature index " + std::to_string(index) + " is too large");
    if (index >= columns.names_.size()) {
      columns.names_.resize(index + 1);
      seen.resize(index + 1);
    }
    if (seen[index]) return Fail("feature f[" + std::to_string(index) + "] is declared twice");
    seen[index] = true;
    columns.names_[index] = std::string(name);
  }
  if (columns.names_.empty()) return Fail(std::string("no \"; f[N]: name\" feature lines"));
  for (std::size_t i = 0; i < seen.size(); ++i) {
    if (!seen[i]) return Fail("feature f[" + std::to_string(i) + "] is not declared");
  }
  return columns;
}

std::optional<std::size_t> UnidicColumns::column(std::string_view name) const {
  for (std::size_t i = 0; i < names_.size(); ++i) {
    if (names_[i] == name) return 4 + i;
  }
  return std::nullopt;
}

}  // namespace lumra::artifacts::build
