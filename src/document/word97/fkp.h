// Direct formatting of paragraphs and characters: the bin tables and their
// 512-byte formatted disk pages (FKPs, [MS-DOC] 2.8.6, 2.9.174, 2.9.23).
// Each page lists runs of bytes of the WordDocument stream with the sprms
// that apply to them.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "document/word97/fib.h"
#include "platform/status.h"

namespace quillmere::document::word97 {

struct FkpRun {
  uint32_t start = 0;  // byte range [start, end) of WordDocument
  uint32_t end = 0;
  std::string_view sprms;  // the run's grpprl (a paragraph's without its style)
  uint16_t istd = 0;       // a paragraph run's style
};

enum class FkpKind { kParagraph, kCharacter };

// Reads the runs of every page the bin table at `bins` in `table_stream`
// lists. Pages outside the stream or with impossible run counts are
// skipped, as are runs that end before they start. The result is sorted by
// `end` with no two runs ending at the same byte.
std::vector<FkpRun> ReadFkpRuns(FkpKind kind, std::string_view word_document,
                                std::string_view table_stream, FcLcb bins);

}  // namespace quillmere::document::word97
