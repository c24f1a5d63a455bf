#include "core/strings/native_metrics.h"

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

Symbols widen(NativeText text, SymbolString& out) {
  Symbol* symbols = out.reset(text.length);
  for (std::size_t i = 0; i < text.length; ++i) symbols[i] = text[i];
  return out.view();
}

using SymbolMetric = std::uint64_t (*)(Symbols, Symbols, std::optional<std::uint64_t>,
                                       StringWorkspace&);

// What the lengths and affixes settle is answered at once; a bound of a few
// edits is searched on the middles where they lie; only what is left widens
// the middles for the metric's own kernels, which give the same value on
// middles as on whole texts.
template <SymbolMetric kMetric, class FewEdits>
std::uint64_t with_cutoff(NativeText left, NativeText right, std::optional<std::uint64_t> cutoff,
                          StringWorkspace& workspace, FewEdits few_edits) {
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
  if (cutoff && *cutoff <= internal::kFewEditsMaxBound) {
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
