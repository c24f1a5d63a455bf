// CC-CEDICT entries as surfaces and pinyin readings in one view.
#pragma once

#include <cstdint>

#include "artifacts/build/cedict_source.h"
#include "artifacts/build/readings_collector.h"
#include "zh/index/pinyin_view.h"

namespace lumra::artifacts::build {

// A sink that files each entry's reading, normalised for `view`, under its
// traditional and its simplified surface. Readings keep the order of the
// source, which lists a headword's common pronunciation first. Refuses
// entries with texts that are not UTF-8 or over the payload limits, and
// pinyin that normalises to nothing.
CedictEntrySink collect_cedict_readings(zh::PinyinView view, ReadingsCollector& collected);

}  // namespace lumra::artifacts::build
