// The computations behind the dictionary methods, on owned data only, for
// running with the interpreter lock released.
//
// Every text is converted once, in order: in a matrix every query before
// any choice, in a pair the left text before the right (a pair is a
// one-by-one matrix, so each cell of a matrix is exactly what the pairwise
// method returns). The first failing conversion ends the call, then the
// first failing cell, and no partial result is returned. A form the
// dictionary kept from an earlier call (conversion_memos.h) stands in for
// converting its text again.
//
// `Language` supplies the index type, the reading forms and the error type
// (japanese_readings.h, chinese_readings.h).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/alignment/partial_alignment.h"
#include "core/alignment/reading_alignment.h"
#include "core/base/errors.h"
#include "core/base/interruption.h"
#include "core/base/result.h"
#include "core/base/utf8.h"
#include "core/batch/distance_matrix.h"
#include "core/lattice/combined_text_distance.h"
#include "core/lattice/lattice_distance.h"
#include "core/lattice/lattice_workspace.h"
#include "core/lattice/prepared_lattice.h"
#include "core/strings/string_workspace.h"
#include "ja/reading/reading_options.h"
#include "ja/romaji/text_list.h"
#include "python/dictionary/conversion_memos.h"
#include "python/dictionary/query_lattice.h"

namespace lumra::python {

using Texts = std::span<const std::string>;

template <class Language>
class ReadingQueries {
 public:
  using Index = typename Language::Index;
  using QueryError = typename Language::QueryError;
  // A partial alignment's failure: the readings' own, or the core's.
  using AlignmentError = ReadingAlignmentError<QueryError>;

  // `options` have passed Language::check_options. Without `memos`, every
  // text is converted.
  ReadingQueries(const Index& index, const ja::ReadingOptions& options,
                 ConversionMemos<Language>* memos = nullptr)
      : index_(index), options_(options), memos_(memos) {}

  // Integer cells: the lattice distance of each query and choice, as the
  // methods report it with the integer cutoff.
  Result<DistanceMatrix<std::uint64_t>, QueryError> distances(Texts queries, Texts choices,
                                                              LatticeMetric metric,
                                                              std::optional<std::uint64_t> cutoff) {
    LatticeWorkspace workspace;
    const LatticeSearchUse use{metric, cutoff.has_value()};
    return matrix<std::uint64_t>(
        queries, choices, [&](std::string_view text) { return lattice(text); },
        [&](const SharedLattice& read, LatticeSide side) { return prepared(*read, use, side); },
        [&](const PreparedQuery& query, const PreparedQuery& choice) {
          return searched(*query.read, *choice.read, [&](const PathLattice&, const PathLattice&) {
            return lattice_distance_with_cutoff(metric, query.laid_out, choice.laid_out, cutoff,
                                                workspace);
          });
        });
  }

  // Integer cells: the combined distance, from the texts as written and
  // their reading lattices.
  Result<DistanceMatrix<std::uint64_t>, QueryError> combined_distances(
      Texts queries, Texts choices, std::optional<std::uint64_t> cutoff) {
    StringWorkspace string_workspace;
    LatticeWorkspace lattice_workspace;
    const LatticeSearchUse use{LatticeMetric::kLevenshtein, cutoff.has_value()};
    struct PreparedText {
      const WrittenAndRead* text;
      PreparedQuery read;
    };
    return matrix<std::uint64_t>(
        queries, choices,
        [&](std::string_view text) -> Result<WrittenAndRead, QueryError> {
          LUMRA_TRY_ASSIGN(SharedLattice read, lattice(text));
          return WrittenAndRead{decode_utf8(text), std::move(read)};
        },
        [&](const WrittenAndRead& text, LatticeSide side) {
          return PreparedText{&text, prepared(*text.read, use, side)};
        },
        [&](const PreparedText& query, const PreparedText& choice) {
          return searched(*query.text->read, *choice.text->read,
                          [&](const PathLattice&, const PathLattice&) {
                            return combined_text_distance(
                                query.text->written, choice.text->written, query.read.laid_out,
                                choice.read.laid_out, cutoff, string_workspace, lattice_workspace);
                          });
        });
  }

  // Real cells: the best normalized similarity of a reading string of the
  // query with one of the choice, before any cutoff.
  Result<DistanceMatrix<double>, QueryError> similarities(Texts queries, Texts choices) {
    using Form = typename Language::SimilarityForm;
    using Searched = typename Language::SearchedForm;
    StringWorkspace workspace;
    std::vector<MemoizedForm> memoized;
    auto similarities = matrix<double>(
        queries, choices, [&](std::string_view text) { return similarity_form(text, memoized); },
        [](const std::shared_ptr<const Form>& form, LatticeSide) {
          return Language::searched(*form);
        },
        [&](Searched& query, Searched& choice) -> Result<double, QueryError> {
          return Language::best_similarity(query, choice, workspace);
        });
    // The searches may have made more of a form (the graph of a Japanese
    // set), which the memo counts from now on. Only a form that has grown
    // is charged again: the lookup would cost a short call a tenth of its
    // time.
    if constexpr (Language::kSearchesAddToForms) {
      for (const MemoizedForm& form : memoized) {
        if (!Language::grown_by_searches(*form.form)) continue;
        memos_->similarity_forms.recharge(form.key, form.form.get(), form.form->memory_bytes());
      }
    }
    return similarities;
  }

  // Whether the lattice distance of the two texts is at most `threshold`,
  // on the lattices laid out as the matrices lay out theirs.
  Result<bool, QueryError> within(std::string_view left, std::string_view right,
                                  LatticeMetric metric, std::uint64_t threshold) {
    LUMRA_TRY_ASSIGN(const SharedLattice left_lattice, lattice(left));
    LUMRA_TRY_ASSIGN(const SharedLattice right_lattice, lattice(right));
    const LatticeSearchUse use{metric, true};
    const PreparedQuery left_prepared = prepared(*left_lattice, use, LatticeSide::kLeft);
    const PreparedQuery right_prepared = prepared(*right_lattice, use, LatticeSide::kRight);
    // The threshold test's buffers are its own.
    LatticeWorkspace workspace;
    return searched(*left_lattice, *right_lattice, [&](const PathLattice&, const PathLattice&) {
      return lattice_within(metric, left_prepared.laid_out, right_prepared.laid_out, threshold,
                            workspace);
    });
  }

  // The span of `text` whose readings come nearest the query's, by the
  // lattice distance (reading_alignment.h), or nullopt when none
  // qualifies. The query must have readings; spans without are left out.
  Result<std::optional<Alignment<std::uint64_t>>, AlignmentError> distance_alignment(
      std::string_view query, std::string_view text, std::uint64_t max_span_chars,
      std::optional<std::uint64_t> cutoff) {
    auto query_readings = strings_of_query(query);
    if (!query_readings.ok()) return Fail(query_readings.take_error());
    return partial_distance_alignment_by_readings(query, query_readings.value(), text,
                                                  max_span_chars, cutoff, span_converter(),
                                                  span_outlook());
  }

  // The same by the best similarity of a reading pair.
  Result<std::optional<Alignment<double>>, AlignmentError> ratio_alignment(
      std::string_view query, std::string_view text, std::uint64_t max_span_chars,
      std::optional<double> cutoff) {
    auto query_readings = strings_of_query(query);
    if (!query_readings.ok()) return Fail(query_readings.take_error());
    return partial_ratio_alignment_by_readings(query, query_readings.value(), text,
                                               max_span_chars, cutoff, span_converter(),
                                               span_outlook());
  }

 private:
  // A query's readings; having none is an error like any other.
  Result<ja::TextList, AlignmentError> strings_of_query(std::string_view query) {
    auto readings = Language::strings(index_, query, options_, scratch_);
    if (!readings.ok()) return Fail(AlignmentError(std::in_place_index<0>, readings.take_error()));
    return std::move(readings).value();
  }

  // A span's readings, or nullopt for a span that has none.
  auto span_converter() {
    return [this](std::string_view span) -> Result<std::optional<ja::TextList>, QueryError> {
      auto readings = Language::strings(index_, span, options_, scratch_);
      if (readings.ok()) return std::optional<ja::TextList>(std::move(readings).value());
      if (Language::has_no_readings(readings.error())) return std::optional<ja::TextList>();
      return Fail(readings.take_error());
    };
  }

  // What a span's conversion would give, told without writing it out.
  auto span_outlook() {
    return [this](std::string_view span) {
      return Language::span_outlook(index_, span, options_, scratch_);
    };
  }

  // Lattices are never changed once built, so one kept by the memo is
  // searched by every call that finds it.
  using SharedLattice = std::shared_ptr<const QueryLattice>;

  struct WrittenAndRead {
    std::vector<Symbol> written;
    SharedLattice read;
  };

  // A query lattice laid out for the searches of one matrix, once, however
  // many cells it takes part in. Refers to the lattice, which stays put
  // while the matrix is filled.
  struct PreparedQuery {
    const QueryLattice* read;
    PreparedLattice laid_out;  // meaningful only when read->lattice holds one
  };

  static PreparedQuery prepared(const QueryLattice& read, LatticeSearchUse use, LatticeSide side) {
    if (!read.lattice) return {&read, PreparedLattice()};
    return {&read, PreparedLattice::of(*read.lattice, use, side)};
  }

  Result<SharedLattice, QueryError> lattice(std::string_view text) {
    BoundedMemo<QueryLattice>* memo = memos_ ? &memos_->lattices : nullptr;
    const std::string key = memo_key(memo, text);
    if (SharedLattice kept = memo ? memo->find(key) : nullptr) return kept;
    LUMRA_TRY_ASSIGN(QueryLattice read, Language::lattice(index_, text, options_, scratch_));
    auto made = std::make_shared<const QueryLattice>(std::move(read));
    keep(memo, key, made);
    return made;
  }

  // Sets never change once made but for what their searches add, which is
  // the same whoever adds it (the graph of a Japanese set), so a kept one
  // is searched by every call that finds it.
  using SimilarityForm = typename Language::SimilarityForm;
  struct MemoizedForm {
    std::string key;
    std::shared_ptr<const SimilarityForm> form;
  };
  // The form of `text`; one found in the memo or kept there is added to
  // `memoized` where searches may add to forms.
  Result<std::shared_ptr<const SimilarityForm>, QueryError> similarity_form(
      std::string_view text, std::vector<MemoizedForm>& memoized) {
    BoundedMemo<SimilarityForm>* memo = memos_ ? &memos_->similarity_forms : nullptr;
    std::string key = memo_key(memo, text);
    if (auto kept = memo ? memo->find(key) : nullptr) {
      if constexpr (Language::kSearchesAddToForms) memoized.push_back({std::move(key), kept});
      return kept;
    }
    LUMRA_TRY_ASSIGN(SimilarityForm form,
                     Language::similarity_form(index_, text, options_, scratch_));
    auto made = std::make_shared<const SimilarityForm>(std::move(form));
    if (keep(memo, key, made)) {
      if constexpr (Language::kSearchesAddToForms) memoized.push_back({std::move(key), made});
    }
    return made;
  }

  std::string memo_key(const void* memo, std::string_view text) const {
    return memo ? conversion_memo_key(options_, text) : std::string();
  }

  // Offers a form just made to the memo, unless a stop of the call may
  // have cut its making short; false when it was not offered.
  template <class Form>
  bool keep(BoundedMemo<Form>* memo, std::string_view key, std::shared_ptr<const Form> made) {
    if (memo == nullptr) return false;
    const InterruptionSource* source = installed_interruption_source();
    if (source != nullptr && source->stopped()) return false;
    const std::size_t bytes = made->memory_bytes();
    memo->keep(key, std::move(made), bytes);
    return true;
  }

  // A search on two query lattices, its state-limit failure as a query
  // error.
  template <class Search>
  static auto searched(const QueryLattice& left, const QueryLattice& right, Search&& search)
      -> Result<std::remove_cvref_t<decltype(search(*left.lattice, *right.lattice).value())>,
                QueryError> {
    auto found = search_pair(left, right, search);
    if (!found.ok()) return Fail(Language::too_large(found.error()));
    return std::move(found).value();
  }

  // Converts every query, then every choice, with `convert`, lays each
  // form out for the cells with `prepare` (queries on the left, choices on
  // the right), and fills the matrix row by row with `cell`.
  template <class Cell, class Convert, class Prepare, class CellOf>
  Result<DistanceMatrix<Cell>, QueryError> matrix(Texts queries, Texts choices, Convert&& convert,
                                                  Prepare&& prepare, CellOf&& cell) {
    using Form = std::remove_cvref_t<decltype(convert(std::string_view()).value())>;
    using Prepared = std::remove_cvref_t<decltype(prepare(std::declval<const Form&>(),
                                                          LatticeSide::kLeft))>;
    // Prepared forms refer to the converted ones: neither vector grows once
    // the first is prepared.
    std::vector<Form> query_forms;
    std::vector<Form> choice_forms;
    query_forms.reserve(queries.size());
    choice_forms.reserve(choices.size());
    // Once the thread's interruption source has stopped the call (gil.h),
    // the caller discards whatever comes back, so the loops simply end.
    InterruptionPoll poll;
    for (const std::string& text : queries) {
      if (poll.stop_after(kWorkPerStep)) return DistanceMatrix<Cell>{};
      LUMRA_TRY_ASSIGN(Form form, convert(text));
      query_forms.push_back(std::move(form));
    }
    for (const std::string& text : choices) {
      if (poll.stop_after(kWorkPerStep)) return DistanceMatrix<Cell>{};
      LUMRA_TRY_ASSIGN(Form form, convert(text));
      choice_forms.push_back(std::move(form));
    }
    std::vector<Prepared> prepared_queries;
    std::vector<Prepared> prepared_choices;
    // A form without a partner takes part in no cell.
    if (!query_forms.empty() && !choice_forms.empty()) {
      prepared_queries.reserve(query_forms.size());
      prepared_choices.reserve(choice_forms.size());
      for (const Form& form : query_forms) {
        prepared_queries.push_back(prepare(form, LatticeSide::kLeft));
      }
      for (const Form& form : choice_forms) {
        prepared_choices.push_back(prepare(form, LatticeSide::kRight));
      }
    }
    DistanceMatrix<Cell> result{queries.size(), choices.size(), nullptr};
    result.cells = std::make_unique_for_overwrite<Cell[]>(queries.size() * choices.size());
    for (std::size_t q = 0; q < prepared_queries.size(); ++q) {
      Cell* row = result.row(q);
      for (std::size_t c = 0; c < prepared_choices.size(); ++c) {
        if (poll.stop_after(kWorkPerStep)) return DistanceMatrix<Cell>{};
        LUMRA_TRY_ASSIGN(row[c], cell(prepared_queries[q], prepared_choices[c]));
      }
    }
    return result;
  }

  // A conversion or a cell takes a microsecond or more, so the source is
  // asked every sixteen of them, and the searches within poll on their own.
  static constexpr std::uint64_t kWorkPerStep = kWorkBetweenChecks / 16;

  const Index& index_;
  const ja::ReadingOptions options_;
  ConversionMemos<Language>* memos_;
  typename Language::Scratch scratch_;
};

}  // namespace lumra::python
