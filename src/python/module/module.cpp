// The _lumra module: its definition, its attributes and their order.
#include <new>
#include <span>

#include "python/dictionary/dictionary_types.h"
#include "python/module/functions.h"
#include "python/module/module_state.h"
#include "python/owned_ref.h"
#include "python/python.h"
#include "version.h"

namespace lumra::python {

namespace {

constexpr const char* kVersion = LUMRA_VERSION;

// Adds `value` (a new reference, or nullptr after a failure) as an attribute
// and appends its name to __all__, creating the list on first use.
int add_public(PyObject* module, const char* name, PyObject* value) {
  if (value == nullptr) return -1;
  if (PyModule_Add(module, name, value) < 0) return -1;
  PyObject* found = nullptr;
  if (PyObject_GetOptionalAttrString(module, "__all__", &found) < 0) return -1;
  OwnedRef all(found);
  if (!all) {
    all.reset(PyList_New(0));
    if (!all || PyModule_AddObjectRef(module, "__all__", all.get()) < 0) return -1;
  }
  const OwnedRef entry(PyUnicode_FromString(name));
  return entry ? PyList_Append(all.get(), entry.get()) : -1;
}

int execute(PyObject* module) {
  if (!PyModule_Check(module)) {
    PyErr_SetString(PyExc_TypeError, "_lumra must be initialised on a module object");
    return -1;
  }
  ModuleState& state = *new (PyModule_GetState(module)) ModuleState{};
  if (add_public(module, "__version__", PyUnicode_FromString(kVersion)) < 0) return -1;
  const OwnedRef module_name(PyModule_GetNameObject(module));
  if (!module_name) return -1;
  for (std::span<PyMethodDef> family :
       {string_functions(), alignment_functions(), batch_functions(), path_functions()}) {
    for (PyMethodDef& definition : family) {
      // Bound to the module, as CPython binds the functions of a module, so
      // that a function reaches the module state through its `self`.
      PyObject* function = PyCFunction_NewEx(&definition, module, module_name.get());
      if (add_public(module, definition.ml_name, function) < 0) return -1;
    }
  }
  state.japanese_dictionary_type = new_japanese_dictionary_type(module);
  if (add_public(module, "JapaneseDictionary", Py_XNewRef(state.japanese_dictionary_type)) < 0) {
    return -1;
  }
  state.chinese_dictionary_type = new_chinese_dictionary_type(module);
  return add_public(module, "ChineseDictionary", Py_XNewRef(state.chinese_dictionary_type));
}

int traverse(PyObject* module, visitproc visit, void* arg) {
  int result = 0;
  module_state(module).for_each_reference([&](PyObject*& object) {
    if (result == 0 && object != nullptr) result = visit(object, arg);
  });
  return result;
}

int clear(PyObject* module) {
  module_state(module).for_each_reference([](PyObject*& object) { Py_CLEAR(object); });
  return 0;
}

void free_module(void* module) { clear(static_cast<PyObject*>(module)); }

PyModuleDef_Slot kSlots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(&execute)},
    // Each interpreter has a module object and state of its own, and the
    // functions touch no other shared object, so subinterpreters with their
    // own lock may import the module...
    {Py_mod_multiple_interpreters, Py_MOD_PER_INTERPRETER_GIL_SUPPORTED},
    // ...and computations run with the lock released in any case.
    {Py_mod_gil, Py_MOD_GIL_NOT_USED},
    {0, nullptr},
};

PyModuleDef kModule = {
    PyModuleDef_HEAD_INIT,
    "_lumra",
    "",
    sizeof(ModuleState),
    nullptr,
    kSlots,
    traverse,
    clear,
    free_module,
};

}  // namespace

}  // namespace lumra::python

extern "C" PyMODINIT_FUNC PyInit__lumra() { return PyModuleDef_Init(&lumra::python::kModule); }
