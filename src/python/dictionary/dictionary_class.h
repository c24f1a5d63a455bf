// A dictionary class: a heap type whose instances hold a DictionaryRecord,
// made only by its factory, with the metric methods that compare texts by
// their readings.
//
// The class is written once for both languages; `Language`
// (japanese_readings.h, chinese_readings.h) names the class, loads its
// index, checks its options and reads its texts. Each module object makes
// its own type (new_type), so that every interpreter has classes of its
// own. Instances cannot be made by calling the class: only the factory
// makes them, complete, and nothing changes them afterwards.
//
// A method converts its arguments and resolves its reading options with
// the interpreter lock held, then converts the texts and compares them
// without the lock (reading_queries.h), and builds its result with the lock
// held again.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <variant>

#include "core/base/cutoff.h"
#include "core/lattice/lattice_distance.h"
#include "python/binding.h"
#include "python/dictionary/dictionary_calls.h"
#include "python/dictionary/conversion_memos.h"
#include "python/dictionary/dictionary_record.h"
#include "python/dictionary/option_resolution.h"
#include "python/dictionary/reading_queries.h"
#include "python/gil.h"
#include "python/results.h"

namespace lumra::python {

template <class Language>
class DictionaryClass {
 public:
  // A new type object for `module`, or nullptr with the error set.
  static PyObject* new_type(PyObject* module) {
    static PyMethodDef methods[] = {
        factory_entry<kLoadPayload, &load_payload>(),
        factory_entry<kLoadBundle, &load_bundle>(),
        method_entry<kDistance, &integer_metric<LatticeMetric::kLevenshtein>>(),
        method_entry<kDamerauDistance, &integer_metric<LatticeMetric::kDamerau>>(),
        method_entry<kCombinedDistance, &combined_distance>(),
        method_entry<kWithinDistance, &threshold_test<LatticeMetric::kLevenshtein>>(),
        method_entry<kWithinDamerauDistance, &threshold_test<LatticeMetric::kDamerau>>(),
        method_entry<kNormalizedSimilarity, &similarity_score<Score::kSimilarity>>(),
        method_entry<kNormalizedDistance, &similarity_score<Score::kDistance>>(),
        method_entry<kRatio, &similarity_score<Score::kSimilarity>>(),
        method_entry<kPartialDistanceAlignment, &distance_alignment>(),
        method_entry<kPartialRatioAlignment, &ratio_alignment>(),
        method_entry<kCdistDistance, &integer_matrix<LatticeMetric::kLevenshtein>>(),
        method_entry<kCdistDamerauDistance, &integer_matrix<LatticeMetric::kDamerau>>(),
        method_entry<kCdistCombinedDistance, &combined_matrix>(),
        method_entry<kCdistNormalizedSimilarity, &score_matrix<Score::kSimilarity>>(),
        method_entry<kCdistNormalizedDistance, &score_matrix<Score::kDistance>>(),
        {nullptr, nullptr, 0, nullptr},
    };
    // No setters: assigning a property raises AttributeError.
    static PyGetSetDef properties[] = {
        {"artifact_name", &get_name<&Record::artifact_name>, nullptr, nullptr, nullptr},
        {"source_name", &get_name<&Record::source_name>, nullptr, nullptr, nullptr},
        {Language::kBuildNameProperty, &get_name<&Record::build_name>, nullptr, nullptr, nullptr},
        {nullptr, nullptr, nullptr, nullptr, nullptr},
    };
    static PyType_Slot slots[] = {
        {Py_tp_dealloc, reinterpret_cast<void*>(&dealloc)},
        {Py_tp_methods, methods},
        {Py_tp_getset, properties},
        {Py_tp_doc, const_cast<char*>("")},
        {0, nullptr},
    };
    static PyType_Spec spec = {
        Language::kTypeName,
        static_cast<int>(sizeof(Object)),
        0,
        Py_TPFLAGS_DEFAULT | Py_TPFLAGS_DISALLOW_INSTANTIATION | Py_TPFLAGS_IMMUTABLETYPE,
        slots,
    };
    return PyType_FromModuleAndSpec(module, &spec, nullptr);
  }

 private:
  using Index = typename Language::Index;
  using Record = DictionaryRecord<Index>;
  using Queries = ReadingQueries<Language>;

  struct Object {
    PyObject_HEAD
    const Record* record;
    // The one part that calls change, guarded on its own.
    ConversionMemos<Language>* memos;
  };

  static constexpr const char* kName = Language::kClassName;
  static constexpr auto kLoadPayload =
      factory_signature(kName, "load_payload", kLoadPayloadParameters);
  static constexpr auto kLoadBundle =
      factory_signature(kName, "load_bundle", kLoadBundleParameters);
  static constexpr auto kDistance = method_signature(kName, "distance", kCountPairParameters);
  static constexpr auto kDamerauDistance =
      method_signature(kName, "damerau_distance", kCountPairParameters);
  static constexpr auto kCombinedDistance =
      method_signature(kName, "combined_distance", kCombinedPairParameters);
  static constexpr auto kWithinDistance =
      method_signature(kName, "within_distance", kThresholdParameters);
  static constexpr auto kWithinDamerauDistance =
      method_signature(kName, "within_damerau_distance", kThresholdParameters);
  static constexpr auto kNormalizedSimilarity =
      method_signature(kName, "normalized_similarity", kRealPairParameters);
  static constexpr auto kNormalizedDistance =
      method_signature(kName, "normalized_distance", kRealPairParameters);
  static constexpr auto kRatio = method_signature(kName, "ratio", kRealPairParameters);
  static constexpr auto kPartialDistanceAlignment =
      method_signature(kName, "_partial_distance_alignment", kCountAlignmentParameters);
  static constexpr auto kPartialRatioAlignment =
      method_signature(kName, "_partial_ratio_alignment", kRealAlignmentParameters);
  static constexpr auto kCdistDistance =
      method_signature(kName, "_cdist_distance", kCountMatrixParameters);
  static constexpr auto kCdistDamerauDistance =
      method_signature(kName, "_cdist_damerau_distance", kCountMatrixParameters);
  static constexpr auto kCdistCombinedDistance =
      method_signature(kName, "_cdist_combined_distance", kCombinedMatrixParameters);
  static constexpr auto kCdistNormalizedSimilarity =
      method_signature(kName, "_cdist_normalized_similarity", kRealMatrixParameters);
  static constexpr auto kCdistNormalizedDistance =
      method_signature(kName, "_cdist_normalized_distance", kRealMatrixParameters);

  // Which normalized score a method reports.
  enum class Score { kSimilarity, kDistance };

  static const Record& record_of(PyObject* self) {
    return *reinterpret_cast<Object*>(self)->record;
  }

  // A new instance of `type` holding `record`.
  static PyObject* new_instance(PyTypeObject* type, std::unique_ptr<Record> record) {
    auto memos = std::make_unique<ConversionMemos<Language>>();
    PyObject* self = type->tp_alloc(type, 0);
    if (self == nullptr) return nullptr;
    reinterpret_cast<Object*>(self)->record = record.release();
    reinterpret_cast<Object*>(self)->memos = memos.release();
    return self;
  }

  static void dealloc(PyObject* self) {
    PyTypeObject* type = Py_TYPE(self);
    delete reinterpret_cast<Object*>(self)->record;
    delete reinterpret_cast<Object*>(self)->memos;
    type->tp_free(self);
    Py_DECREF(type);  // instances of a heap type hold a reference to it
  }

  template <std::optional<std::string> Record::* kField>
  static PyObject* get_name(PyObject* self, void*) {
    const std::optional<std::string>& name = record_of(self).*kField;
    if (!name) return Py_NewRef(Py_None);
    return PyUnicode_FromStringAndSize(name->data(), static_cast<Py_ssize_t>(name->size()));
  }

  // load_payload: the index of one payload file, with the default options
  // and no names. The lock is kept: loading touches no Python object, but
  // callers are promised that a dictionary is complete before any other
  // thread of theirs runs. A payload is not checked against any checksum.
  static PyObject* load_payload(PyTypeObject* defining_class, const LoadPayloadCall& call) {
    SignalCheckWithLock signals;
    auto index = Language::load_payload(call.path, call.payload_format);
    if (signals.interrupted()) return nullptr;
    if (!index.ok()) return raise_error(index.error());
    auto record = std::make_unique<Record>();
    record->index = std::move(index).value();
    return new_instance(defining_class, std::move(record));
  }

  // load_bundle: the index of a bundle's payload once the bundle is
  // verified, with the bundle's query defaults and names. The lock is kept,
  // as for load_payload. Verifying may take long (the checksum of an
  // indexed payload whose surfaces share one large record runs over every
  // surface's copy of it), so pending signals are checked as it goes and a
  // handler that raises (Ctrl-C) stops it.
  static PyObject* load_bundle(PyTypeObject* defining_class, const LoadBundleCall& call) {
    std::optional<std::string_view> bundle_dir;
    if (call.bundle_dir) bundle_dir = *call.bundle_dir;
    SignalCheckWithLock signals;
    auto bundle = Language::load_bundle(call.metadata_path, bundle_dir);
    if (signals.interrupted()) return nullptr;
    if (!bundle.ok()) return raise_error(bundle.error());
    auto& loaded = bundle.value();
    auto record = std::make_unique<Record>();
    record->index = std::move(loaded.index);
    record->query_defaults = loaded.query_defaults;
    record->artifact_name = std::move(loaded.artifact_name);
    record->source_name = std::move(loaded.source_name);
    record->build_name = std::move(loaded.build_name);
    return new_instance(defining_class, std::move(record));
  }

  // The call's reading options over the dictionary's defaults, checked
  // against their limits before any text is read; nullopt with the error
  // set when one is beyond its limit.
  static std::optional<ja::ReadingOptions> options_for(PyObject* self,
                                                       const ReadingOptionArguments& given) {
    const ja::ReadingOptions options = resolve_options(given, record_of(self).query_defaults);
    if (auto checked = Language::check_options(options); !checked.ok()) {
      raise_error(checked.error());
      return std::nullopt;
    }
    return options;
  }

  // Runs `compute(Queries&)` with the lock released; nothing when a signal
  // stopped it (gil.h).
  template <class Compute>
  static auto compute_without_lock(PyObject* self, const ja::ReadingOptions& options,
                                   Compute&& compute) {
    const Record& record = record_of(self);
    ConversionMemos<Language>* memos = reinterpret_cast<Object*>(self)->memos;
    return without_lock([&] {
      Queries queries(*record.index, options, memos);
      return compute(queries);
    });
  }

  static Texts one(const std::string& text) { return Texts(&text, 1); }

  template <LatticeMetric kMetric>
  static PyObject* integer_metric(PyObject* self, PyTypeObject*, const CountPairCall& call) {
    const auto options = options_for(self, call.options);
    if (!options) return nullptr;
    auto cell = compute_without_lock(self, *options, [&](Queries& queries) {
      return queries.distances(one(call.left), one(call.right), kMetric, call.score_cutoff);
    });
    if (!cell) return nullptr;
    return value_or_raise(std::move(*cell), only_cell<std::uint64_t>);
  }

  static PyObject* combined_distance(PyObject* self, PyTypeObject*, const CountPairCall& call) {
    const auto options = options_for(self, call.options);
    if (!options) return nullptr;
    auto cell = compute_without_lock(self, *options, [&](Queries& queries) {
      return queries.combined_distances(one(call.left), one(call.right), call.score_cutoff);
    });
    if (!cell) return nullptr;
    return value_or_raise(std::move(*cell), only_cell<std::uint64_t>);
  }

  template <LatticeMetric kMetric>
  static PyObject* threshold_test(PyObject* self, PyTypeObject*,
                                  const DictionaryThresholdCall& call) {
    const auto options = options_for(self, call.options);
    if (!options) return nullptr;
    auto within = compute_without_lock(self, *options, [&](Queries& queries) {
      return queries.within(call.left, call.right, kMetric, call.threshold);
    });
    if (!within) return nullptr;
    return to_python_or_raise(std::move(*within));
  }

  // The cutoff's range is checked once the readings are known, so a text
  // without readings reports that first.
  template <Score kScore>
  static PyObject* similarity_score(PyObject* self, PyTypeObject*, const RealPairCall& call) {
    const auto options = options_for(self, call.options);
    if (!options) return nullptr;
    auto cell = compute_without_lock(self, *options, [&](Queries& queries) {
      return queries.similarities(one(call.left), one(call.right));
    });
    if (!cell) return nullptr;
    if (!cell->ok()) return raise_error(cell->error());
    return to_python_or_raise(scored<kScore>(cell->value().cells[0], call.score_cutoff));
  }

  static PyObject* distance_alignment(PyObject* self, PyTypeObject*,
                                     const CountAlignmentCall& call) {
    const auto options = options_for(self, call.options);
    if (!options) return nullptr;
    return aligned(compute_without_lock(self, *options, [&](Queries& queries) {
      return queries.distance_alignment(call.query, call.text, call.max_span_chars,
                                        call.score_cutoff);
    }));
  }

  // The cutoff's range is checked at the first span with readings: a text
  // without any never fails on it.
  static PyObject* ratio_alignment(PyObject* self, PyTypeObject*, const RealAlignmentCall& call) {
    const auto options = options_for(self, call.options);
    if (!options) return nullptr;
    return aligned(compute_without_lock(self, *options, [&](Queries& queries) {
      return queries.ratio_alignment(call.query, call.text, call.max_span_chars,
                                     call.score_cutoff);
    }));
  }

  // The alignment tuple or None; a failure of the readings or of the core
  // raised with its own message.
  template <class Score>
  static PyObject* aligned(
      std::optional<Result<std::optional<Alignment<Score>>, typename Queries::AlignmentError>>&&
          found) {
    if (!found) return nullptr;  // stopped by a signal, its exception pending
    if (!found->ok()) {
      return std::visit([](const auto& error) { return raise_error(error); }, found->error());
    }
    return alignment_to_python(found->value());
  }

  template <LatticeMetric kMetric>
  static PyObject* integer_matrix(PyObject* self, PyTypeObject*, const CountMatrixCall& call) {
    const auto options = options_for(self, call.options);
    if (!options) return nullptr;
    auto matrix = compute_without_lock(self, *options, [&](Queries& queries) {
      return queries.distances(call.queries, call.choices, kMetric, call.score_cutoff);
    });
    if (!matrix) return nullptr;
    return value_or_raise(std::move(*matrix), rows_of<std::uint64_t>);
  }

  static PyObject* combined_matrix(PyObject* self, PyTypeObject*, const CountMatrixCall& call) {
    const auto options = options_for(self, call.options);
    if (!options) return nullptr;
    auto matrix = compute_without_lock(self, *options, [&](Queries& queries) {
      return queries.combined_distances(call.queries, call.choices, call.score_cutoff);
    });
    if (!matrix) return nullptr;
    return value_or_raise(std::move(*matrix), rows_of<std::uint64_t>);
  }

  // The cutoff's range is checked at the first cell: a matrix without
  // cells never fails on it.
  template <Score kScore>
  static PyObject* score_matrix(PyObject* self, PyTypeObject*, const RealMatrixCall& call) {
    const auto options = options_for(self, call.options);
    if (!options) return nullptr;
    auto matrix = compute_without_lock(self, *options, [&](Queries& queries) {
      return queries.similarities(call.queries, call.choices);
    });
    if (!matrix) return nullptr;
    if (!matrix->ok()) return raise_error(matrix->error());
    DistanceMatrix<double>& cells = matrix->value();
    for (std::size_t i = 0; i < cells.rows * cells.cols; ++i) {
      auto score = scored<kScore>(cells.cells[i], call.score_cutoff);
      if (!score.ok()) return raise_error(score.error());
      cells.cells[i] = score.value();
    }
    return rows_of<double>(cells);
  }

  template <Score kScore>
  static Result<double, CutoffOutOfRange> scored(double similarity,
                                                 std::optional<double> cutoff) {
    if constexpr (kScore == Score::kSimilarity) {
      return apply_similarity_cutoff(similarity, cutoff);
    } else {
      return apply_distance_cutoff(1.0 - similarity, cutoff);
    }
  }

  template <class Cell>
  static PyObject* only_cell(const DistanceMatrix<Cell>& matrix) {
    return to_python(matrix.cells[0]);
  }

  template <class Cell>
  static PyObject* rows_of(const DistanceMatrix<Cell>& matrix) {
    MatrixList<Cell> rows(matrix.rows);
    if (!rows.ok() || !rows.add(matrix)) return nullptr;
    return rows.release();
  }
};

}  // namespace lumra::python
