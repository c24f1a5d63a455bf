#include "artifacts/build/staging_directory.h"

#include <stdlib.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "core/base/message_template.h"
#include "payload/payload_file.h"

namespace lumra::artifacts::build {

namespace fs = std::filesystem;

namespace {

std::string failed(std::string_view what, std::string_view path, const std::error_code& error) {
  return fill_message("cannot {} {}: {}", what, std::string(path), error.message());
}

// Whether --force may replace `target`: a bundle written before, or an empty
// directory. Anything else is most likely a mistyped --out, and replacing
// it would delete a tree (a home, /tmp, the source itself) without asking.
// A symbolic link is judged by what it names, though only the link is
// replaced.
bool replaceable(const std::string& target) {
  std::error_code error;
  const fs::path path(target);
  if (!fs::is_directory(path, error)) return false;
  if (fs::is_regular_file(path / "metadata.yaml", error)) return true;
  return fs::is_empty(path, error) && !error;
}

}  // namespace

Result<StagingDirectory, std::string> StagingDirectory::create(std::string_view target) {
  fs::path destination(target);
  if (destination.has_filename() == false) destination = destination.parent_path();
  if (destination.empty() || destination.filename() == "." || destination.filename() == "..") {
    return Fail(fill_message("the output directory {} has no name of its own",
                             Quoted{std::string(target)}));
  }
  fs::path parent = destination.parent_path();
  if (parent.empty()) parent = ".";
  std::error_code error;
  fs::create_directories(parent, error);
  if (error) return Fail(failed("create", parent.string(), error));
  std::string pattern = (parent / ("." + destination.filename().string() + ".tmp-XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (::mkdtemp(name.data()) == nullptr) {
    return Fail(failed("create", pattern, std::error_code(errno, std::generic_category())));
  }
  // mkdtemp keeps the directory private; a bundle is as readable as the
  // files in it.
  fs::permissions(name.data(), fs::perms(0755), error);
  if (error) {
    fs::remove(name.data(), error);
    return Fail(failed("set the mode of", name.data(), error));
  }
  return StagingDirectory(std::string(name.data()), destination.string());
}

StagingDirectory::StagingDirectory(StagingDirectory&& other) noexcept
    : path_(std::move(other.path_)), target_(std::move(other.target_)) {
  other.path_.clear();
}

StagingDirectory::~StagingDirectory() {
  if (path_.empty()) return;
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

Status<std::string> StagingDirectory::commit(bool replace) {
  std::error_code error;
  bool exists = fs::exists(fs::symlink_status(target_, error));
  std::string aside;
  if (exists) {
    if (!replace) {
      return Fail(fill_message("the output directory {} exists; --force replaces it",
                               Quoted{target_}));
    }
    if (!replaceable(target_)) {
      return Fail(fill_message(
          "the output directory {} is not a bundle; --force replaces only a directory holding "
          "metadata.yaml, or an empty one",
          Quoted{target_}));
    }
    aside = path_ + ".old";
    fs::rename(target_, aside, error);
    if (error) return Fail(failed("move aside", target_, error));
  }
  fs::rename(path_, target_, error);
  if (error) {
    std::string what = failed("rename the new bundle to", target_, error);
    if (!aside.empty()) {
      std::error_code ignored;
      fs::rename(aside, target_, ignored);
    }
    return Fail(what);
  }
  path_.clear();
  if (!aside.empty()) fs::remove_all(aside, error);
  return Unit{};
}

Status<std::string> copy_regular_file(std::string_view from, std::string_view to) {
  std::error_code error;
  if (!fs::is_regular_file(fs::path(from), error)) {
    return Fail(fill_message("{} is not a regular file", std::string(from)));
  }
  fs::copy_file(fs::path(from), fs::path(to), fs::copy_options::overwrite_existing, error);
  if (error) return Fail(failed("copy", from, error));
  return Unit{};
}

}  // namespace lumra::artifacts::build
