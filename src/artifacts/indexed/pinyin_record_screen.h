// The record screen (record_screen.h) of Chinese payloads: a reading is
// plain when it is plain pinyin in the payload's view (zh/index/plain_pinyin.h),
// which is ASCII, so valid UTF-8, and in normal form.
#pragma once

#include "artifacts/indexed/record_screen.h"
#include "zh/index/pinyin_view.h"

namespace lumra::artifacts {

RecordScreen pinyin_record_screen(zh::PinyinView view);

}  // namespace lumra::artifacts
