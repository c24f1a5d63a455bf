// The module-level functions, in the vectorcall form with keywords.
#pragma once

#include "python/python.h"

namespace lumra::python {

#define LUMRA_MODULE_FUNCTION(name) \
  PyObject* name(PyObject* module, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames)

LUMRA_MODULE_FUNCTION(distance);
LUMRA_MODULE_FUNCTION(damerau_distance);
LUMRA_MODULE_FUNCTION(combined_distance);
LUMRA_MODULE_FUNCTION(normalized_distance);
LUMRA_MODULE_FUNCTION(normalized_similarity);
LUMRA_MODULE_FUNCTION(ratio);
LUMRA_MODULE_FUNCTION(partial_distance_alignment);
LUMRA_MODULE_FUNCTION(partial_ratio_alignment);
LUMRA_MODULE_FUNCTION(cdist_distance);
LUMRA_MODULE_FUNCTION(cdist_damerau_distance);
LUMRA_MODULE_FUNCTION(cdist_combined_distance);
LUMRA_MODULE_FUNCTION(cdist_normalized_distance);
LUMRA_MODULE_FUNCTION(cdist_normalized_similarity);
LUMRA_MODULE_FUNCTION(distance_paths);
LUMRA_MODULE_FUNCTION(damerau_distance_paths);
LUMRA_MODULE_FUNCTION(normalized_distance_paths);
LUMRA_MODULE_FUNCTION(normalized_similarity_paths);
LUMRA_MODULE_FUNCTION(ratio_paths);
LUMRA_MODULE_FUNCTION(within_distance_paths);
LUMRA_MODULE_FUNCTION(within_damerau_distance_paths);

#undef LUMRA_MODULE_FUNCTION

}  // namespace lumra::python
