// Inserted symbols ([MS-DOC] 2.6.1 sprmCSymbol): Word stores "(" in the
// text and the real character, often of a symbol font (U+F0xx), in the
// character's properties.
#pragma once

#include <string>
#include <vector>

#include "document/word97/fkp.h"
#include "document/word97/pieces.h"

namespace quillmere::document::word97 {

// Replaces each "(" of `text` whose character properties (its character
// run's sprms, then its piece's) carry sprmCSymbol by that symbol.
void ResolveSymbols(const std::vector<FkpRun>& character_runs, const PieceTable& pieces,
                    std::u16string* text);

}  // namespace quillmere::document::word97
