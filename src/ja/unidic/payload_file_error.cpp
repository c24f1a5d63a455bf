#include "ja/unidic/payload_file_error.h"

#include <string>

#include "ja/unidic/payload.h"

namespace lumra::ja {

UnidicLoadError to_load_error(const payload::PayloadFileError& error) {
  if (const auto* os = std::get_if<payload::FileOsError>(&error)) {
    return unidic_errors::Io{payload::os_error_text(os->code)};
  }
  return unidic_errors::ArtifactLimitExceeded{"payload_bytes",
                                              std::get<payload::FileTooLarge>(error).size,
                                              UnidicArtifactLimits::kPayloadBytes};
}

}  // namespace lumra::ja
