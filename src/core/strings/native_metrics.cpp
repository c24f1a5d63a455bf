#include "core/strings/native_metrics.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/base/cutoff.h"
#include "core/base/symbols.h"
#include "core/strings/internal/few_edits.h"
#include "core/strings/string_metrics.h"

namespace lumra {

namespace {

NativeText middle(NativeText text, CommonAffixes affixes) {
  const auto* bytes = static_cast<const unsigned char*>(text.units);
  return {bytes + affixes.prefix * text.width, text.length - affixes.prefix - affixes.suffix,
          text.width};
}

template <class Unit>
void widen_units(const void* units, std::size_t length, Symbol* out) {
  const auto* typed = static_cast<const Unit*>(units);
  for (std::size_t i = 0; i < length; ++i) out[i] = typed[i];
}

#if defined(__SSE2__)
// Eight 1-byte units into eight symbols: two unpackings against zero and two
// stores, where the plain loop takes several instructions a unit on the
// words and names that are widened whole.
void widen_latin1(const std::uint8_t* units, std::size_t length, Symbol* out) {
  constexpr std::size_t kStep = 8;
  if (length < kStep) {
    for (std::size_t i = 0; i < length; ++i) out[i] = units[i];
    return;
  }
  const __m128i zero = _mm_setzero_si128();
  // The last step overlaps the one before when the length is no multiple
  // of eight, writing some symbols twice with the same values.
  for (std::size_t at = 0;; at += kStep) {
    if (at + kStep > length) at = length - kStep;
    const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(units + at));
    const __m128i halves = _mm_unpacklo_epi8(bytes, zero);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), _mm_unpacklo_epi16(halves, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at + 4), _mm_unpackhi_epi16(halves, zero));
    if (at + kStep == length) return;
  }
}
#endif

Symbols widen(NativeText text, SymbolString& out) {
  Symbol* symbols = out.reset(text.length);
  if (text.width == 1) {
#if defined(__SSE2__)
    widen_latin1(static_cast<const std::uint8_t*>(text.units), text.length, symbols);
#else
    widen_units<std::uint8_t>(text.units, text.length, symbols);
#endif
  } else if (text.width == 2) {
    widen_units<std::uint16_t>(text.units, text.length, symbols);
  } else {
    widen_units<std::uint32_t>(text.units, text.length, symbols);
  }
  return out.view();
}

// Texts this short are widened whole in a few steps, and the metric strips
// their affixes itself: settling early first would only add a pass.
constexpr std::size_t kWidenWhole = 32;

using SymbolMetric = std::uint64_t (*)(Symbols, Symbols, std::optional<std::uint64_t>,
                                       StringWorkspace&);

// What the lengths and affixes settle is answered at once; a bound of a few
// edits is searched on the middles where they lie; only what is left widens
// the middles for the metric's own kernels, which give the same value on
// middles as on whole texts.
template <SymbolMetric kMetric, class FewEdits>
std::uint64_t with_cutoff(NativeText left, NativeText right, std::optional<std::uint64_t> cutoff,
                          StringWorkspace& workspace, FewEdits few_edits) {
  const bool tight = cutoff && *cutoff <= internal::kFewEditsMaxBound;
  if (!tight && left.length <= kWidenWhole && right.length <= kWidenWhole) {
    SymbolString left_symbols;
    SymbolString right_symbols;
    return kMetric(widen(left, left_symbols), widen(right, right_symbols), cutoff, workspace);
  }
  const EarlySettlement settled = settle_early(left, right, cutoff);
  switch (settled.kind) {
    case EarlySettlement::Kind::kBeyondBound:
      return exceeded_cutoff(*cutoff);
    case EarlySettlement::Kind::kDistance:
      if (cutoff && settled.distance > *cutoff) return exceeded_cutoff(*cutoff);
      return settled.distance;
    case EarlySettlement::Kind::kMiddles:
      break;
  }
  const NativeText left_middle = middle(left, settled.affixes);
  const NativeText right_middle = middle(right, settled.affixes);
  if (tight) {
    return apply_integer_cutoff(few_edits(left_middle, right_middle, *cutoff), *cutoff);
  }
  SymbolString left_symbols;
  SymbolString right_symbols;
  return kMetric(widen(left_middle, left_symbols), widen(right_middle, right_symbols), cutoff,
                 workspace);
}

}  // namespace

std::uint64_t levenshtein_with_cutoff(NativeText left, NativeText right,
                                      std::optional<std::uint64_t> cutoff,
                                      StringWorkspace& workspace) {
  return with_cutoff<levenshtein_with_cutoff>(
      left, right, cutoff, workspace, [](NativeText l, NativeText r, std::uint64_t bound) {
        return internal::levenshtein_few_edits(l, r, bound);
      });
}

std::uint64_t osa_with_cutoff(NativeText left, NativeText right,
                              std::optional<std::uint64_t> cutoff, StringWorkspace& workspace) {
  return with_cutoff<osa_with_cutoff>(
      left, right, cutoff, workspace, [](NativeText l, NativeText r, std::uint64_t bound) {
        return internal::osa_few_edits(l, r, bound);
      });
}

}  // namespace lumra
