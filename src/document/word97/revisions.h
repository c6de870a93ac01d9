// Tracked deletions ([MS-DOC] 2.6.1 sprmCFRMarkDel): text the author removed
// while changes were tracked stays in the file, marked as deleted, until the
// change is accepted. The reader gives the text with every change accepted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "document/word97/fkp.h"
#include "document/word97/pieces.h"

namespace quillmere::document::word97 {

// Blanks (sets to 0, which shows nothing) every character of `text` whose
// character properties (its run's, then its piece's) mark it deleted, except
// the marks that end paragraphs, cells and rows: those keep the structure,
// and their CPs are returned in order, so that a deleted row can be left out
// whole.
std::vector<uint32_t> RemoveDeletedText(const std::vector<FkpRun>& character_runs,
                                        const PieceTable& pieces, std::u16string* text);

}  // namespace quillmere::document::word97
