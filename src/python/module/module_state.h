// What one _lumra module object keeps.
//
// Every interpreter that imports _lumra gets a module object of its own, and
// with it this state; nothing is shared between interpreters, which is what
// lets subinterpreters with their own interpreter lock import the module.
// The heap types of the module's classes belong here, created by the
// execution step and reached by their methods through the defining class
// (binding.h: method_entry, module_state_of). Objects held here are visited
// and released by the module's traverse and clear functions (module.cpp),
// through for_each_reference().
#pragma once

#include "python/python.h"

namespace lumra::python {

struct ModuleState {
  // The dictionary classes of this module object (strong references).
  PyObject* japanese_dictionary_type = nullptr;
  PyObject* chinese_dictionary_type = nullptr;

  // Calls `visit(PyObject*&)` on every object reference the state holds.
  template <class Visit>
  void for_each_reference(Visit&& visit) {
    visit(japanese_dictionary_type);
    visit(chinese_dictionary_type);
  }
};

inline ModuleState& module_state(PyObject* module) {
  return *static_cast<ModuleState*>(PyModule_GetState(module));
}

}  // namespace lumra::python
