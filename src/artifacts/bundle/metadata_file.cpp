#include "artifacts/bundle/metadata_file.h"

#include <sys/stat.h>

#include <variant>
#include <vector>

#include "artifacts/bundle/bundle_path.h"
#include "ja/unidic/unidic_load_error.h"
#include "payload/payload_file.h"

namespace lumra::artifacts {

namespace {

// The file's mode after following links, or 0 when there is none to read.
mode_t file_mode(std::string_view path) {
  if (path.find('\0') != std::string_view::npos) return 0;
  struct stat status;
  if (::stat(std::string(path).c_str(), &status) != 0) return 0;
  return status.st_mode;
}

BundleError file_error(const payload::PayloadFileError& error, BundleLanguage language) {
  if (const auto* os = std::get_if<payload::FileOsError>(&error)) {
    return bundle_errors::Io{payload::os_error_text(os->code)};
  }
  return bundle_errors::FileTooLarge{language, "metadata_bytes",
                                     std::get<payload::FileTooLarge>(error).size,
                                     kMaxMetadataBytes};
}

}  // namespace

bool is_directory(std::string_view path) { return S_ISDIR(file_mode(path)); }
bool is_regular_file(std::string_view path) { return S_ISREG(file_mode(path)); }

Result<MetadataFile, BundleError> read_metadata_file(std::string_view metadata_path,
                                                     BundleLanguage language) {
  MetadataFile metadata;
  metadata.path = is_directory(metadata_path) ? join_path(metadata_path, "metadata.yaml")
                                              : std::string(metadata_path);
  auto file = payload::PayloadFile::open(metadata.path, kMaxMetadataBytes);
  if (!file.ok()) return Fail(file_error(file.error(), language));
  metadata.text.reserve(file.value().size_when_opened());
  std::vector<unsigned char> buffer(65536);
  std::size_t size = 0;
  do {
    if (!file.value().read(buffer.data(), buffer.size(), size)) {
      return Fail(file_error(*file.value().failure(), language));
    }
    metadata.text.append(reinterpret_cast<const char*>(buffer.data()), size);
  } while (size > 0);
  if (ja::find_utf8_error(metadata.text)) return Fail(bundle_errors::MetadataNotUtf8{});
  return metadata;
}

}  // namespace lumra::artifacts
