// A filled-in form read from any document: a compound file goes to the Word
// 97-2003 reader, anything else to the .docx reader (as a package when it
// starts like a ZIP archive, else as the main part of one). Its cells are
// then read as a form every way the forms command reads one: as its own
// blank form, taught by itself and a copy, and on its own.
//
// Checked: every cell lies inside its table's rows and grid; every way
// names values for cells that exist and gives one value for each of them;
// a document fits the form made from itself; names made unique are unique
// and within the bytes allowed.
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "document/word97/reader.h"
#include "docx_input.h"
#include "forms/form_cells.h"
#include "forms/form_layout.h"
#include "forms/names.h"
#include "fuzz_checks.h"
#include "platform/encoding/unicode.h"

namespace {

using namespace quillmere;

void CheckCells(const forms::Cells& cells) {
  for (const forms::Cell& cell : cells) {
    QM_FUZZ_CHECK(cell.table >= 0 && cell.row >= 0 && cell.column >= 0);
    QM_FUZZ_CHECK(cell.rows >= 1 && cell.columns >= 1);
  }
}

// Names and one record of `cells` read as a form whose parts are `roles`.
void CheckReading(const forms::Cells& cells, const std::vector<forms::Role>& roles,
                  const forms::Cells* blank) {
  QM_FUZZ_CHECK(roles.size() == cells.size());
  const std::vector<forms::ValuePlace> places = forms::NameValues(cells, roles, blank);
  std::vector<std::u16string> names;
  for (const forms::ValuePlace& place : places) {
    QM_FUZZ_CHECK(place.cell < cells.size());
    names.push_back(forms::NameOfLabel(place.name));
  }
  QM_FUZZ_CHECK(forms::ReadRecord(cells, places, blank).size() == places.size());

  constexpr size_t kMaxBytes = 63;
  const std::vector<std::u16string> unique = forms::UniqueNames(names, kMaxBytes, {u"document"});
  QM_FUZZ_CHECK(unique.size() == names.size());
  std::set<std::string> seen = {"document"};
  for (const std::u16string& name : unique) {
    const std::string utf8 = unicode::ToUtf8(name);
    QM_FUZZ_CHECK(utf8.size() <= kMaxBytes);
    std::string folded = utf8;
    for (char& c : folded) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    QM_FUZZ_CHECK(seen.insert(folded).second);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  document::Document read;
  const bool compound = bytes.substr(0, 4) == "\xD0\xCF\x11\xE0";
  Status status = compound ? document::word97::ReadDocument(bytes, &read)
                           : fuzz::ReadDocxOrMainPart(bytes, &read);
  fuzz::CheckReported(status);
  if (!status.ok()) return 0;

  forms::Cells cells;
  int tables = 0;
  if (!forms::ReadCells(read, forms::TableChoice{1, 1, true}, &cells, &tables)) return 0;
  CheckCells(cells);

  const std::vector<forms::Role> as_blank = forms::TemplateRoles(cells);
  QM_FUZZ_CHECK(forms::FindMisfit(cells, as_blank, cells, true).kind == forms::Misfit::Kind::kNone);
  CheckReading(cells, as_blank, &cells);

  forms::Comparison comparison(cells);
  comparison.Add(cells);
  CheckReading(cells, comparison.Roles(), nullptr);

  CheckReading(cells, forms::SingleDocumentRoles(cells), nullptr);
  return 0;
}
