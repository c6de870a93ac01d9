// What a form needs of a Word 97-2003 document's character properties:
// which characters are set in a symbol font (the font table, SttbfFfn,
// [MS-DOC] 2.9.286, and the characters' sprmCRgFtc0/2 and sprmCSymbol), and
// the form fields' data (FFData in the Data stream, 2.9.75, found through
// the sprmCPicLocation of the 0x01 in a field's instruction that carries
// sprmCFData).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "document/word97/fib.h"
#include "document/word97/fkp.h"
#include "document/word97/pieces.h"

namespace quillmere::document::word97 {

struct FormFields {
  // CPs [start, end) set in the symbol font `font`, sorted, not overlapping.
  struct SymbolRun {
    uint32_t start = 0;
    uint32_t end = 0;
    std::u16string font;
  };
  // A form field, by the CP of the 0x01 in its instruction that holds its
  // data.
  struct Field {
    uint32_t cp = 0;
    bool check_box = false;
    bool checked = false;
    bool text_input = false;
    std::u16string name;
  };
  std::vector<SymbolRun> symbol_runs;
  std::vector<Field> fields;  // sorted by cp

  // The symbol font the character at `cp` is set in; empty for none.
  std::u16string_view SymbolFontAt(uint32_t cp) const;
  // The field whose data the character at `cp` holds, or null.
  const Field* FieldAt(uint32_t cp) const;
};

// The names in the font table at `fonts`, by font index (ftc); a damaged
// entry has an empty name, and a damaged table leaves the rest out.
std::vector<std::u16string> ReadFontNames(std::string_view table_stream, FcLcb fonts);

// The symbol-font characters and form fields of `text`, whose pieces are
// `pieces` and whose character runs are `character_runs`. Neither costs
// anything to a document that has no symbol font and no Data stream.
FormFields ReadFormFields(const std::vector<FkpRun>& character_runs, const PieceTable& pieces,
                          std::u16string_view text, const std::vector<std::u16string>& fonts,
                          std::string_view data_stream);

}  // namespace quillmere::document::word97
