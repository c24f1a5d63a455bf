// The _lumra module: its definition, its attributes and their order.
#include "python/functions.h"
#include "python/python.h"
#include "version.h"

namespace lumra::python {

namespace {

constexpr const char* kVersion = LUMRA_VERSION;

#define LUMRA_NAMED_FUNCTION(python_name, function, signature)                         \
  {python_name, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&function)), \
   METH_FASTCALL | METH_KEYWORDS, signature "\n--\n\n"}
#define LUMRA_FUNCTION(name, signature) LUMRA_NAMED_FUNCTION(#name, name, signature)

// In the order the module lists them in __all__.
PyMethodDef kFunctions[] = {
    LUMRA_FUNCTION(distance, "distance(left, right, *, score_cutoff=None)"),
    LUMRA_FUNCTION(damerau_distance, "damerau_distance(left, right, *, score_cutoff=None)"),
    LUMRA_FUNCTION(combined_distance, "combined_distance(left, right, *, score_cutoff=None)"),
    LUMRA_FUNCTION(normalized_distance, "normalized_distance(left, right, *, score_cutoff=None)"),
    LUMRA_FUNCTION(normalized_similarity,
                   "normalized_similarity(left, right, *, score_cutoff=None)"),
    LUMRA_FUNCTION(ratio, "ratio(left, right, *, score_cutoff=None)"),
    LUMRA_NAMED_FUNCTION(
        "_partial_distance_alignment", partial_distance_alignment,
        "_partial_distance_alignment(query, text, max_span_chars, *, score_cutoff=None)"),
    LUMRA_NAMED_FUNCTION(
        "_partial_ratio_alignment", partial_ratio_alignment,
        "_partial_ratio_alignment(query, text, max_span_chars, *, score_cutoff=None)"),
    LUMRA_NAMED_FUNCTION("_cdist_distance", cdist_distance,
                         "_cdist_distance(queries, choices, *, score_cutoff=None)"),
    LUMRA_NAMED_FUNCTION("_cdist_damerau_distance", cdist_damerau_distance,
                         "_cdist_damerau_distance(queries, choices, *, score_cutoff=None)"),
    LUMRA_NAMED_FUNCTION("_cdist_combined_distance", cdist_combined_distance,
                         "_cdist_combined_distance(queries, choices, *, score_cutoff=None)"),
    LUMRA_NAMED_FUNCTION("_cdist_normalized_distance", cdist_normalized_distance,
                         "_cdist_normalized_distance(queries, choices, *, score_cutoff=None)"),
    LUMRA_NAMED_FUNCTION("_cdist_normalized_similarity", cdist_normalized_similarity,
                         "_cdist_normalized_similarity(queries, choices, *, score_cutoff=None)"),
    LUMRA_FUNCTION(distance_paths, "distance_paths(left_paths, right_paths, *, score_cutoff=None)"),
    LUMRA_FUNCTION(damerau_distance_paths,
                   "damerau_distance_paths(left_paths, right_paths, *, score_cutoff=None)"),
    LUMRA_FUNCTION(normalized_distance_paths,
                   "normalized_distance_paths(left_paths, right_paths, *, score_cutoff=None)"),
    LUMRA_FUNCTION(normalized_similarity_paths,
                   "normalized_similarity_paths(left_paths, right_paths, *, score_cutoff=None)"),
    LUMRA_FUNCTION(ratio_paths, "ratio_paths(left_paths, right_paths, *, score_cutoff=None)"),
    LUMRA_FUNCTION(within_distance_paths,
                   "within_distance_paths(left_paths, right_paths, threshold)"),
    LUMRA_FUNCTION(within_damerau_distance_paths,
                   "within_damerau_distance_paths(left_paths, right_paths, threshold)"),
};

#undef LUMRA_FUNCTION
#undef LUMRA_NAMED_FUNCTION

// Adds `value` (a new reference, or nullptr after a failure) as an attribute
// and appends its name to __all__, creating the list on first use.
int add_public(PyObject* module, const char* name, PyObject* value) {
  if (value == nullptr) return -1;
  const int added = PyModule_Add(module, name, value);
  if (added < 0) return -1;
  PyObject* all = nullptr;
  if (PyObject_GetOptionalAttrString(module, "__all__", &all) < 0) return -1;
  if (all == nullptr) {
    all = PyList_New(0);
    if (all == nullptr) return -1;
    if (PyModule_AddObjectRef(module, "__all__", all) < 0) {
      Py_DECREF(all);
      return -1;
    }
  }
  PyObject* entry = PyUnicode_FromString(name);
  const int appended = entry ? PyList_Append(all, entry) : -1;
  Py_XDECREF(entry);
  Py_DECREF(all);
  return appended;
}

int execute(PyObject* module) {
  if (!PyModule_Check(module)) {
    PyErr_SetString(PyExc_TypeError, "_lumra must be initialised on a module object");
    return -1;
  }
  if (add_public(module, "__version__", PyUnicode_FromString(kVersion)) < 0) return -1;
  PyObject* module_name = PyModule_GetNameObject(module);
  if (module_name == nullptr) return -1;
  for (PyMethodDef& definition : kFunctions) {
    PyObject* function = PyCFunction_NewEx(&definition, nullptr, module_name);
    if (add_public(module, definition.ml_name, function) < 0) {
      Py_DECREF(module_name);
      return -1;
    }
  }
  Py_DECREF(module_name);
  return 0;
}

PyModuleDef_Slot kSlots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(&execute)},
    {Py_mod_gil, Py_MOD_GIL_NOT_USED},
    {0, nullptr},
};

PyModuleDef kModule = {
    PyModuleDef_HEAD_INIT,
    "_lumra",
    "",
    0,
    nullptr,
    kSlots,
    nullptr,
    nullptr,
    nullptr,
};

}  // namespace

}  // namespace lumra::python

extern "C" PyMODINIT_FUNC PyInit__lumra() { return PyModuleDef_Init(&lumra::python::kModule); }
