// The reading forms a dictionary has made of recent texts, kept for the
// calls that ask for the same text again with the same options.
//
// Converting a short kanji text is most of what a pairwise call costs, and
// callers often ask about the same texts again and again: a query against
// each name of a list, one call at a time, then the next query against the
// same list. Only whole successes are kept; a conversion that failed or
// was interrupted is made again on its next call, so every result and
// error is what the call would give without the memo.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/base/bounded_memo.h"
#include "ja/reading/reading_options.h"
#include "python/dictionary/query_lattice.h"

namespace lumra::python {

template <class Language>
struct ConversionMemos {
  // A short text's lattice or string set takes a few kilobytes: thousands
  // of texts fit, and a long text's forms, which are quick to make again
  // next to what searching them costs, are not kept.
  static constexpr std::size_t kBudgetBytes = std::size_t{32} << 20;
  static constexpr std::size_t kLargestEntryBytes = std::size_t{1} << 20;

  BoundedMemo<QueryLattice> lattices{kBudgetBytes, kLargestEntryBytes};
  BoundedMemo<typename Language::SimilarityForm> similarity_forms{kBudgetBytes,
                                                                  kLargestEntryBytes};
};

// The options a form was made with, then the text: texts read with other
// options are other entries.
std::string conversion_memo_key(const ja::ReadingOptions& options, std::string_view text);

}  // namespace lumra::python
