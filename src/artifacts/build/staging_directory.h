// A bundle is assembled in a hidden directory beside its destination and
// renamed into place only when complete, so a failed or interrupted build
// never leaves a partial bundle where a loader would find it.
#pragma once

#include <string>
#include <string_view>

#include "core/base/result.h"

namespace lumra::artifacts::build {

class StagingDirectory {
 public:
  // Creates "<parent>/.<name>.tmp-XXXXXX" for the destination `target`,
  // creating the parent directories first. The message says what failed.
  static Result<StagingDirectory, std::string> create(std::string_view target);

  StagingDirectory(StagingDirectory&& other) noexcept;
  StagingDirectory& operator=(StagingDirectory&&) = delete;
  // Removes the directory and everything in it unless it was committed.
  ~StagingDirectory();

  const std::string& path() const { return path_; }
  std::string file(std::string_view relative) const { return path_ + "/" + std::string(relative); }

  // Renames the directory to the target. An existing target is refused,
  // unless `replace` and it is a bundle (a directory holding metadata.yaml)
  // or an empty directory, in which case it is moved aside first and
  // removed once the new bundle is in place.
  Status<std::string> commit(bool replace);

 private:
  StagingDirectory(std::string path, std::string target)
      : path_(std::move(path)), target_(std::move(target)) {}

  std::string path_;  // empty once committed or moved from
  std::string target_;
};

// Copies the regular file `from` to `to` byte for byte.
Status<std::string> copy_regular_file(std::string_view from, std::string_view to);

}  // namespace lumra::artifacts::build
