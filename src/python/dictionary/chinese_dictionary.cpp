// ChineseDictionary: texts compared by their pinyin readings.
#include "python/dictionary/chinese_readings.h"
#include "python/dictionary/dictionary_class.h"
#include "python/dictionary/dictionary_types.h"

namespace lumra::python {

PyObject* new_chinese_dictionary_type(PyObject* module) {
  return DictionaryClass<ChineseReadings>::new_type(module);
}

}  // namespace lumra::python
