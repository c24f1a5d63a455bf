// Whether bytes are valid UTF-8, as quickly as a load can ask it of every
// surface and reading.
//
// Only the answer: where and why bytes are invalid is ja::find_utf8_error's
// business, which a caller asks once this has said "invalid". Valid means
// what the standard decoder accepts: no overlong forms, no surrogates,
// nothing above U+10FFFF, no sequence cut short.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lumra::artifacts {

namespace valid_utf8_internal {

// A finite automaton over the bytes, with its states numbered by multiples
// of 6: kTransitions[b] holds, in its 6 bits at position s, the state that
// byte b leads to from state s. A step is then a load and a shift whose
// count depends on the previous step only through one register, so the
// loads of a run of bytes all start at once.
enum : std::uint64_t {
  kBetweenCharacters = 0,
  kInvalid = 6,     // every byte leads back here
  kOneMore = 12,    // one continuation byte to go
  kTwoMore = 18,    // two
  kThreeMore = 24,  // three
  kAfterE0 = 30,    // A0..BF, then one more: no overlong three-byte forms
  kAfterED = 36,    // 80..9F, then one more: no surrogates
  kAfterF0 = 42,    // 90..BF, then two more: no overlong four-byte forms
  kAfterF4 = 48,    // 80..8F, then two more: nothing above U+10FFFF
};

constexpr std::uint64_t next_state(std::uint64_t state, unsigned byte) {
  if (state == kInvalid) return kInvalid;
  if (state == kBetweenCharacters) {
    if (byte < 0x80) return kBetweenCharacters;
    if (byte >= 0xC2 && byte <= 0xDF) return kOneMore;
    if (byte == 0xE0) return kAfterE0;
    if (byte == 0xED) return kAfterED;
    if (byte >= 0xE1 && byte <= 0xEF) return kTwoMore;
    if (byte == 0xF0) return kAfterF0;
    if (byte == 0xF4) return kAfterF4;
    if (byte >= 0xF1 && byte <= 0xF3) return kThreeMore;
    return kInvalid;  // continuation bytes, C0, C1, F5..FF
  }
  if (byte < 0x80 || byte > 0xBF) return kInvalid;
  switch (state) {
    case kOneMore:
      return kBetweenCharacters;
    case kTwoMore:
      return kOneMore;
    case kThreeMore:
      return kTwoMore;
    case kAfterE0:
      return byte >= 0xA0 ? kOneMore : kInvalid;
    case kAfterED:
      return byte <= 0x9F ? kOneMore : kInvalid;
    case kAfterF0:
      return byte >= 0x90 ? kTwoMore : kInvalid;
    case kAfterF4:
      return byte <= 0x8F ? kTwoMore : kInvalid;
    default:
      return kInvalid;
  }
}

constexpr std::array<std::uint64_t, 256> transitions() {
  constexpr std::uint64_t kStates[] = {kBetweenCharacters, kInvalid, kOneMore,
                                       kTwoMore,           kThreeMore, kAfterE0,
                                       kAfterED,           kAfterF0,   kAfterF4};
  std::array<std::uint64_t, 256> table{};
  for (unsigned byte = 0; byte < 256; ++byte) {
    for (std::uint64_t state : kStates) table[byte] |= next_state(state, byte) << state;
  }
  return table;
}

inline constexpr std::array<std::uint64_t, 256> kTransitions = transitions();

inline std::uint64_t step(std::uint64_t state, std::uint8_t byte) {
  // Only the low 6 bits of the state count: the higher ones are what the
  // previous entry held for other states.
  return kTransitions[byte] >> (state & 63);
}

}  // namespace valid_utf8_internal

// The automaton itself, for a walk that runs it over bytes as it produces
// them (fst/key_order_walk.h): the bytes are valid exactly when it ends in a
// state that utf8_automaton_accepts().
inline const std::uint64_t* utf8_automaton() { return valid_utf8_internal::kTransitions.data(); }
inline bool utf8_automaton_accepts(std::uint64_t state) {
  return (state & 63) == valid_utf8_internal::kBetweenCharacters;
}

inline bool is_valid_utf8(const std::uint8_t* bytes, std::size_t size) {
  using namespace valid_utf8_internal;
  std::uint64_t state = kBetweenCharacters;
  std::size_t i = 0;
  for (; size - i >= 8; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes + i, 8);
    // Eight ASCII bytes between characters leave the state as it is.
    if ((word & 0x8080808080808080) == 0 && (state & 63) == kBetweenCharacters) continue;
    for (std::size_t k = 0; k < 8; ++k) state = step(state, bytes[i + k]);
  }
  for (; i < size; ++i) state = step(state, bytes[i]);
  return (state & 63) == kBetweenCharacters;
}

inline bool is_valid_utf8(std::string_view text) {
  return is_valid_utf8(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

// The same for bytes that may be followed by more readable ones, up to
// `readable_end`, which it may load but does not judge. Text of ASCII and
// three-byte characters (kana, most kanji, most of the rest of the Basic
// Multilingual Plane) then goes sixteen bytes at a time; other text is left
// to the automaton.
inline bool is_valid_utf8(const std::uint8_t* bytes, std::size_t size, const std::uint8_t* readable_end) {
#if defined(__SSE2__)
  // Each byte is ASCII, a continuation byte (80..BF) or a lead byte E1..EC
  // or EE..EF, which takes any two continuation bytes (E0 and ED restrict
  // their second byte and are left to the automaton). Such text is valid
  // exactly when the continuation bytes are those two after each lead byte:
  // bit i of each mask stands for byte i of sixteen, and a lead byte's
  // continuations, shifted past the sixteenth, are carried to the next
  // sixteen.
  std::uint32_t required = 0;
  // Judges the `judged` (1..16) bytes at `at` and the 16 - judged after them
  // not, false when they are not all of those kinds in that order.
  auto judge = [&](const std::uint8_t* at, std::uint32_t judged_mask) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    // As signed bytes: 00..7F are 0..127, 80..BF are -128..-65, E1..EF
    // are -31..-17, ED is -19.
    const __m128i continuation = _mm_cmplt_epi8(v, _mm_set1_epi8(-64));
    const __m128i lead = _mm_andnot_si128(
        _mm_cmpeq_epi8(v, _mm_set1_epi8(-19)),
        _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(-32)), _mm_cmplt_epi8(v, _mm_set1_epi8(-16))));
    const __m128i known = _mm_or_si128(_mm_or_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(-1)), continuation), lead);
    const auto leads = static_cast<std::uint32_t>(_mm_movemask_epi8(lead)) & judged_mask;
    const auto continuations = static_cast<std::uint32_t>(_mm_movemask_epi8(continuation));
    required = (required >> 16) | (leads << 1) | (leads << 2);
    return ((continuations ^ required) & judged_mask) == 0 &&
           (static_cast<std::uint32_t>(_mm_movemask_epi8(known)) & judged_mask) == judged_mask;
  };
  std::size_t i = 0;
  for (; size - i >= 16; i += 16) {
    if (readable_end - (bytes + i) < 16 || !judge(bytes + i, 0xFFFF)) return is_valid_utf8(bytes, size);
  }
  std::size_t judged = 16;
  if (i < size) {
    judged = size - i;
    if (readable_end - (bytes + i) < 16 || !judge(bytes + i, (std::uint32_t{1} << judged) - 1)) {
      return is_valid_utf8(bytes, size);
    }
  }
  // No lead byte may want continuations past the end.
  if ((required >> judged) != 0) return is_valid_utf8(bytes, size);
  return true;
#else
  (void)readable_end;
  return is_valid_utf8(bytes, size);
#endif
}

}  // namespace lumra::artifacts
