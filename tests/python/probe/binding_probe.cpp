// _lumra_binding_probe: a test-only extension module for the binding pieces
// that no module function of _lumra uses yet, so that the tests reach them
// before the classes that will: a heap type in module state, an instance
// method and a factory that find their module through their defining class,
// the flag, UTF-8 text, defaulted and optional text kinds, the reading
// options block under its renamed form, and a list of more than eight
// parameters. Each method returns what it received, as Python values.
#include <cstdint>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "python/binding.h"
#include "python/owned_ref.h"
#include "python/results.h"

namespace lumra::python {

namespace {

struct ProbeState {
  PyObject* probe_type;
};

// Results of the converted kinds, next to the scalar ones of results.h.
using lumra::python::to_python;
PyObject* to_python(const SymbolString& text) {
  return PyUnicode_FromKindAndData(PyUnicode_4BYTE_KIND, text.data(),
                                   static_cast<Py_ssize_t>(text.size()));
}
PyObject* to_python(const std::string& text) {
  return PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
}
PyObject* to_python(const std::vector<SymbolString>& texts) {
  OwnedRef list(PyList_New(0));
  for (const SymbolString& text : texts) {
    const OwnedRef item(to_python(text));
    if (!list || !item || PyList_Append(list.get(), item.get()) < 0) return nullptr;
  }
  return list.release();
}
template <class T>
PyObject* to_python(const std::optional<T>& value) {
  return value ? to_python(*value) : Py_NewRef(Py_None);
}
PyObject* found_state(PyTypeObject* type) {
  return Py_NewRef(module_state_of<ProbeState>(type).probe_type ==
                           reinterpret_cast<PyObject*>(type)
                       ? Py_True
                       : Py_False);
}

// Probe.load(path, payload_format="yaml", bundle_dir=None), a factory
struct LoadCall {
  std::string path;
  std::string payload_format;
  std::optional<std::string> bundle_dir;
};
constexpr auto kLoadParameters =
    parameters(text("path", &LoadCall::path),
               text("payload_format", &LoadCall::payload_format, TextDefault{"yaml"}),
               optional_text("bundle_dir", &LoadCall::bundle_dir));
constexpr auto kLoad = factory_signature("Probe", "load", kLoadParameters);

PyObject* load(PyTypeObject* defining_class, const LoadCall& call) {
  return Py_BuildValue("(NNNN)", found_state(defining_class), to_python(call.path),
                       to_python(call.payload_format), to_python(call.bundle_dir));
}

// Probe.echo($self, query, choices, max_span_chars, *, <reading options>,
//            score_cutoff=None, combined=None)
struct EchoCall {
  SymbolString query;
  std::vector<SymbolString> choices;
  std::uint64_t max_span_chars;
  ReadingOptionArguments options;
  std::optional<double> score_cutoff;
  std::optional<std::uint64_t> combined;
};
constexpr auto kEchoParameters = parameters(
    text("query", &EchoCall::query), text_list("choices", &EchoCall::choices),
    count("max_span_chars", &EchoCall::max_span_chars), kKeywordOnly,
    reading_options(&EchoCall::options, "reading_max_span_chars"),
    optional_real("score_cutoff", &EchoCall::score_cutoff),
    combined_cutoff("combined", &EchoCall::combined));
constexpr auto kEcho = method_signature("Probe", "echo", kEchoParameters);

PyObject* echo(PyObject*, PyTypeObject* defining_class, const EchoCall& call) {
  const ReadingOptionArguments& o = call.options;
  return Py_BuildValue("(NNNNNNNNNN)", found_state(defining_class), to_python(call.query),
                       to_python(call.choices), to_python(call.max_span_chars),
                       to_python(o.max_readings_per_segment), to_python(o.max_span_chars),
                       to_python(o.max_paths), to_python(o.longest_only),
                       to_python(call.score_cutoff), to_python(call.combined));
}

PyMethodDef kProbeMethods[] = {
    factory_entry<kLoad, &load>(),
    method_entry<kEcho, &echo>(),
    {nullptr, nullptr, 0, nullptr},
};

PyType_Slot kProbeSlots[] = {
    {Py_tp_methods, kProbeMethods},
    {0, nullptr},
};

PyType_Spec kProbeSpec = {
    "_lumra_binding_probe.Probe",
    0,
    0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE | Py_TPFLAGS_IMMUTABLETYPE,
    kProbeSlots,
};

ProbeState& state_of(PyObject* module) {
  return *static_cast<ProbeState*>(PyModule_GetState(module));
}

int execute(PyObject* module) {
  ProbeState& state = *new (PyModule_GetState(module)) ProbeState{nullptr};
  state.probe_type = PyType_FromModuleAndSpec(module, &kProbeSpec, nullptr);
  if (state.probe_type == nullptr) return -1;
  return PyModule_AddType(module, reinterpret_cast<PyTypeObject*>(state.probe_type));
}

int traverse(PyObject* module, visitproc visit, void* arg) {
  Py_VISIT(state_of(module).probe_type);
  return 0;
}

int clear(PyObject* module) {
  Py_CLEAR(state_of(module).probe_type);
  return 0;
}

void free_module(void* module) { clear(static_cast<PyObject*>(module)); }

PyModuleDef_Slot kSlots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(&execute)},
    {Py_mod_gil, Py_MOD_GIL_NOT_USED},
    {0, nullptr},
};

PyModuleDef kModule = {
    PyModuleDef_HEAD_INIT, "_lumra_binding_probe", "", sizeof(ProbeState), nullptr, kSlots,
    traverse,              clear,                  free_module,
};

}  // namespace

}  // namespace lumra::python

extern "C" PyMODINIT_FUNC PyInit__lumra_binding_probe() {
  return PyModuleDef_Init(&lumra::python::kModule);
}
