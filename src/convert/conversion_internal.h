// What tests, fuzzers and benchmarks reach beneath ConvertTable: the first
// pass on its own (IsolateRows), the working text, the conversion over the
// working text written out, and the limits the conversion applies.
#pragma once

#include "convert/conversion.h"
#include "convert/conversion_limits.h"
#include "convert/row_isolation.h"
#include "convert/working_view.h"

namespace quillmere::conversion_detail {

// ConvertTable over the working text written out whole, the way it runs
// when removing a tag would join text into a tag: what reading the working
// text through the markup must agree with.
Status ConvertWrittenOut(text::TextView strTable, TableSink& sink, Progress& progress,
                         CellTexts texts = CellTexts::kConverted);

}  // namespace quillmere::conversion_detail
