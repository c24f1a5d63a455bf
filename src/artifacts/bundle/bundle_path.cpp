#include "artifacts/bundle/bundle_path.h"

namespace lumra::artifacts {

namespace {

bool is_ascii_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Checked on every platform, so a bundle made anywhere is judged the same
// everywhere: a Windows reader would take "C:x" and "dir\..\x" as paths that
// leave the directory.
bool stays_inside(std::string_view path) {
  if (path.find('\\') != std::string_view::npos) return false;
  if (path.starts_with('/')) return false;
  if (path.size() >= 2 && is_ascii_letter(path[0]) && path[1] == ':') return false;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    if (path.substr(start, end - start) == "..") return false;
    start = end + 1;
  }
  return true;
}

}  // namespace

std::string join_path(std::string_view directory, std::string_view name) {
  if (directory.empty()) return std::string(name);
  std::string joined(directory);
  if (!joined.ends_with('/')) joined += '/';
  joined += name;
  return joined;
}

std::string containing_directory(std::string_view path) {
  std::size_t slash = path.find_last_of('/');
  if (slash == std::string_view::npos) return "";
  std::string_view directory = path.substr(0, slash);
  while (directory.ends_with('/')) directory.remove_suffix(1);
  if (directory.empty()) return "/";
  return std::string(directory);
}

Result<std::string, bundle_errors::PathOutsideBundle> resolve_bundle_path(
    std::string_view bundle_dir, std::string_view relative) {
  if (!stays_inside(relative)) return Fail(bundle_errors::PathOutsideBundle{std::string(relative)});
  return join_path(bundle_dir, relative);
}

}  // namespace lumra::artifacts
