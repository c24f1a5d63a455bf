// JapaneseDictionary: texts compared by their romaji readings.
#include "python/dictionary/dictionary_class.h"
#include "python/dictionary/dictionary_types.h"
#include "python/dictionary/japanese_readings.h"

namespace lumra::python {

PyObject* new_japanese_dictionary_type(PyObject* module) {
  return DictionaryClass<JapaneseReadings>::new_type(module);
}

}  // namespace lumra::python
