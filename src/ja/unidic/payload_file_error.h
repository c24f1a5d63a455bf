// How a failure to open or read a payload file reads as a UniDic load error.
#pragma once

#include "ja/unidic/unidic_load_error.h"
#include "payload/payload_file.h"

namespace lumra::ja {

// A refusal of the system is Io with its description; a file over the size
// limit (also one that grew past it while it was read) is
// ArtifactLimitExceeded "payload_bytes".
UnidicLoadError to_load_error(const payload::PayloadFileError& error);

}  // namespace lumra::ja
