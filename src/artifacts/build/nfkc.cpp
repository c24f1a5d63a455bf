#include "artifacts/build/nfkc.h"

#include <cstdint>

#include <unicode/bytestream.h>
#include <unicode/normalizer2.h>
#include <unicode/stringpiece.h>

namespace lumra::artifacts::build {

std::optional<std::string> nfkc_if_different(std::string_view text) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfkc = icu::Normalizer2::getNFKCInstance(status);
  if (U_FAILURE(status)) return std::nullopt;
  icu::StringPiece piece(text.data(), static_cast<std::int32_t>(text.size()));
  if (nfkc->isNormalizedUTF8(piece, status) || U_FAILURE(status)) return std::nullopt;
  std::string out;
  icu::StringByteSink<std::string> sink(&out);
  status = U_ZERO_ERROR;
  nfkc->normalizeUTF8(0, piece, sink, nullptr, status);
  if (U_FAILURE(status) || out == text) return std::nullopt;
  return out;
}

}  // namespace lumra::artifacts::build
