#include "artifacts/indexed/key_utf8.h"

#include "artifacts/indexed/valid_utf8.h"

namespace lumra::artifacts {

std::optional<ja::Utf8Error> find_utf8_error_after(std::string_view key, std::size_t shared) {
  // The prefix's last character may be cut short or go on differently in
  // `key`, so the check starts at its first byte; everything before it is
  // whole characters of valid UTF-8. In valid UTF-8 a character has at most
  // three continuation bytes, so this looks back at most three bytes.
  std::size_t from = shared;
  if (from > 0) {
    --from;
    while (from > 0 && (static_cast<unsigned char>(key[from]) & 0xC0) == 0x80) --from;
  }
  const std::string_view rest = key.substr(from);
  if (is_valid_utf8(rest)) return std::nullopt;
  std::optional<ja::Utf8Error> error = ja::find_utf8_error(rest);
  if (error) error->valid_up_to += from;
  return error;
}

}  // namespace lumra::artifacts
