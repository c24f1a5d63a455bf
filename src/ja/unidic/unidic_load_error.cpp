#include "ja/unidic/unidic_load_error.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "core/base/message_template.h"

namespace lumra::ja {

namespace {

using namespace unidic_errors;

std::string magic_list(const std::array<std::uint8_t, 8>& magic) {
  std::string out = "[";
  for (std::size_t i = 0; i < magic.size(); ++i) {
    if (i > 0) out += ", ";
    out += std::to_string(magic[i]);
  }
  return out + "]";
}

std::string describe(const Io& e) {
  return fill_message("failed to read UniDic artifact payload: {}", e.error);
}
std::string describe(const Yaml& e) {
  return fill_message("invalid UniDic artifact payload YAML: {}", e.error);
}
std::string describe(const InvalidBinaryMagic& e) {
  return fill_message("invalid UniDic binary artifact magic {}", magic_list(e.magic));
}
std::string describe(const UnsupportedBinaryVersion& e) {
  return fill_message("unsupported UniDic binary artifact version {}", e.version);
}
std::string describe(const NonZeroBinaryReserved& e) {
  return fill_message("UniDic binary artifact reserved header field is {}", e.value);
}
std::string describe(const TruncatedBinary& e) {
  return fill_message("truncated UniDic binary artifact while reading {}", e.field);
}
std::string describe(const InvalidBinaryUtf8& e) {
  return fill_message("invalid UTF-8 in UniDic binary artifact {}: {}", e.field, message(e.source));
}
std::string describe(const ArtifactLimitExceeded& e) {
  return fill_message("UniDic artifact {} length/count {} exceeds limit {}", e.field, e.length,
                      e.max);
}
std::string describe(const InvalidIndexedMagic& e) {
  return fill_message("invalid UniDic indexed artifact magic {}", magic_list(e.magic));
}
std::string describe(const UnsupportedIndexedVersion& e) {
  return fill_message("unsupported UniDic indexed artifact version {}", e.version);
}
std::string describe(const NonZeroIndexedReserved& e) {
  return fill_message("UniDic indexed artifact reserved header field is {}", e.value);
}
std::string describe(const TruncatedIndexed& e) {
  return fill_message("truncated UniDic indexed artifact while reading {}", e.field);
}
std::string describe(const InvalidIndexedFst& e) {
  return fill_message("invalid UniDic indexed artifact FST: {}", e.message);
}
std::string describe(const InvalidIndexedOffset& e) {
  return fill_message("invalid UniDic indexed artifact readings offset {}", e.offset);
}
std::string describe(const InvalidIndexedUtf8& e) {
  return fill_message("invalid UTF-8 in UniDic indexed artifact {}: {}", e.field,
                      message(e.source));
}
std::string describe(const IndexedEntryCountMismatch& e) {
  return fill_message(
      "UniDic indexed artifact header entry count {} does not match FST entry count {}",
      e.header_entries, e.fst_entries);
}
std::string describe(const UnsupportedSchemaVersion& e) {
  return fill_message("unsupported UniDic artifact payload schema version {}", e.version);
}
std::string describe(const UnsupportedPayloadType& e) {
  return fill_message("unsupported UniDic artifact payload type {}", Quoted{e.payload_type});
}
std::string describe(const EmptySurface& e) {
  return fill_message("UniDic artifact payload entry {} has an empty surface", e.entry_index);
}
std::string describe(const DuplicateSurface& e) {
  return fill_message("UniDic artifact payload has duplicate surface {}", Quoted{e.surface});
}
std::string describe(const EmptyReadings& e) {
  return fill_message("UniDic artifact payload surface {} has no readings", Quoted{e.surface});
}
std::string describe(const EmptyReading& e) {
  return fill_message("UniDic artifact payload surface {} has an empty reading at index {}",
                      Quoted{e.surface}, e.reading_index);
}
std::string describe(const DuplicateReading& e) {
  return fill_message("UniDic artifact payload surface {} has duplicate reading {}",
                      Quoted{e.surface}, Quoted{e.reading});
}

}  // namespace

std::string message(const Utf8Error& error) {
  if (error.error_length) {
    return fill_message("invalid utf-8 sequence of {} bytes from index {}",
                        static_cast<unsigned>(*error.error_length), error.valid_up_to);
  }
  return fill_message("incomplete utf-8 byte sequence from index {}", error.valid_up_to);
}

std::optional<Utf8Error> find_utf8_error(std::string_view bytes) {
  // The classification of the standard decoder: a sequence is cut at the
  // first byte that cannot continue it, and its length so far is reported;
  // a sequence the input ends inside is incomplete.
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t size = bytes.size();
  std::size_t i = 0;
  // Bit n is set for the leads En whose three-byte sequences take any
  // continuation bytes: E1..EC, EE and EF (kana, most Han characters). E0
  // and ED limit their second byte, against overlong forms and surrogates.
  constexpr unsigned kFreeThreeByteLeads = 0xDFFE;
  while (i < size) {
    // Fast paths for what payloads are made of, a word at a time: eight
    // ASCII bytes, or two free three-byte sequences.
    if (size - i >= 8) {
      std::uint64_t word;
      std::memcpy(&word, data + i, 8);
      if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
      if ((word & 0x8080808080808080) == 0) {
        i += 8;
        continue;
      }
      if ((word & 0xC0C0F0C0C0F0) == 0x8080E08080E0 &&
          ((kFreeThreeByteLeads >> (word & 0x0F)) & (kFreeThreeByteLeads >> (word >> 24 & 0x0F)) & 1) != 0) {
        i += 6;
        continue;
      }
    }
    const unsigned char lead = data[i];
    if (lead < 0x80) {
      ++i;
      continue;
    }
    if (size - i >= 3 && (lead & 0xF0) == 0xE0 && (data[i + 1] & 0xC0) == 0x80 &&
        (data[i + 2] & 0xC0) == 0x80 && ((kFreeThreeByteLeads >> (lead & 0x0F)) & 1) != 0) {
      i += 3;
      continue;
    }
    std::size_t width = lead >= 0xC2 && lead <= 0xDF   ? 2
                        : lead >= 0xE0 && lead <= 0xEF ? 3
                        : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                       : 0;
    if (width == 0) return Utf8Error{i, 1};
    // The range allowed for the second byte excludes overlong forms,
    // surrogates and values above U+10FFFF.
    unsigned char low = 0x80, high = 0xBF;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
    for (std::size_t k = 1; k < width; ++k) {
      if (i + k >= size) return Utf8Error{i, std::nullopt};
      unsigned char next = data[i + k];
      bool fits = k == 1 ? next >= low && next <= high : (next & 0xC0) == 0x80;
      if (!fits) return Utf8Error{i, static_cast<std::uint8_t>(k)};
    }
    i += width;
  }
  return std::nullopt;
}

std::string message(const UnidicLoadError& error) {
  return std::visit([](const auto& e) { return describe(e); }, error);
}

}  // namespace lumra::ja
