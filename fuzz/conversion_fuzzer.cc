// The conversion command on any bytes as the selected table's markup, read
// in code page 936 as tabletest.html is, with the header row either way (the
// first byte's lowest bit): the conversion itself, then the whole command
// into a real data.mdb and cc.html, in one transaction as a run does it.
//
// Checked beyond crashes and sanitizer reports: the conversion hands rows on
// in order and every row has the same cells; it says the same reading its
// working text through the markup as writing it out, and keeps the same grid
// with kept cell texts; a failure has a number and a description and leaves
// dt_table with the rows it had; a run that completes leaves one row in
// dt_table for every row taken.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "convert/conversion_internal.h"
#include "fuzz_checks.h"
#include "output/conversion_command.h"
#include "output/conversion_run.h"
#include "output/dt_table.h"
#include "platform/encoding/codepage.h"
#include "platform/encoding/unicode.h"

namespace {

using namespace quillmere;

struct Workplace {
  std::u16string folder;
  FormState form;
};

// A folder in memory when the system has one: cc.html is written every run.
Workplace& Place() {
  static Workplace* place = [] {
    auto* p = new Workplace;
    std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string folder = base + "/quillmere-conversion-fuzz-XXXXXX";
    if (mkdtemp(folder.data()) == nullptr) fuzz::Fail("no working folder");
    p->folder = unicode::FromUtf8(folder);
    if (!CreateDataMdb(p->folder, kDefaultColumns).ok()) fuzz::Fail("cannot create data.mdb");
    if (!OpenDataMdb(p->form, p->folder).ok()) fuzz::Fail("cannot open data.mdb");
    // Speed only: the database is thrown away.
    (void)p->form.cn->Execute(u"PRAGMA journal_mode=MEMORY", adodb::kOptionUnspecified);
    (void)p->form.cn->Execute(u"PRAGMA synchronous=OFF", adodb::kOptionUnspecified);
    return p;
  }();
  return *place;
}

// Everything a conversion hands on, as text; with `texts_too` false, the
// cells' places without what they say.
class Transcript : public TableSink {
 public:
  explicit Transcript(bool texts_too) : texts_too_(texts_too) {}
  Status BeginRows() override { return Note(u"begin"); }
  Status Cell(int64_t /*k*/, std::u16string_view text) override {
    return Note(u"cell " + std::u16string(texts_too_ ? text : u""));
  }
  Status EndRow(int64_t) override { return Note(u"row"); }
  Status Finish() override { return Note(u"finish"); }
  std::u16string said;

 private:
  Status Note(std::u16string_view what) {
    said.append(what).push_back(u'\n');
    return Status();
  }
  const bool texts_too_;
};

size_t DtTableRows(adodb::Connection& cn) {
  std::unique_ptr<adodb::Recordset> rs;
  if (!cn.Execute(u"select count(*) from dt_table", adodb::kOptionUnspecified, &rs).ok()) {
    fuzz::Fail("dt_table cannot be counted");
  }
  return std::stoul(unicode::ToUtf8(*rs->Value(0, 0)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Workplace& place = Place();
  FormState& form = place.form;
  form.strTable =
      codepage::DecodeCp936(std::string_view(reinterpret_cast<const char*>(data), size));
  form.strTableFirstLine = size > 0 && (data[0] & 1);

  fuzz::CheckingSink checking(/*same_width=*/false);
  SilentProgress quiet;
  Status converted = ConvertTable(form.strTable, checking, quiet);
  fuzz::CheckReported(converted);
  QM_FUZZ_CHECK(converted.ok() == checking.finished());

  Transcript read(true), written(true), kept(false), places(false);
  const Status read_status = ConvertTable(form.strTable, read, quiet);
  const Status written_status = conversion_detail::ConvertWrittenOut(form.strTable, written, quiet);
  QM_FUZZ_CHECK(read_status.ToString() == written_status.ToString() && read.said == written.said);
  const Status kept_status = ConvertTable(form.strTable, kept, quiet, CellTexts::kKept);
  QM_FUZZ_CHECK(ConvertTable(form.strTable, places, quiet).ToString() == kept_status.ToString());
  QM_FUZZ_CHECK(kept.said == places.said);

  const size_t before = DtTableRows(*form.cn);
  NoBrowser browser;
  Status run =
      ReplaceDtTable(form, [&] { return Command3_Click(form, place.folder, browser, quiet); });
  fuzz::CheckReported(run);
  QM_FUZZ_CHECK(!form.cn->InTransaction());
  if (!converted.ok()) QM_FUZZ_CHECK(!run.ok());
  if (!run.ok()) {
    QM_FUZZ_CHECK(DtTableRows(*form.cn) == before);
  } else {
    const int64_t taken = checking.rows() - (form.strTableFirstLine ? 0 : 1);
    QM_FUZZ_CHECK(form.rs && static_cast<int64_t>(form.rs->RecordCount()) == taken);
  }
  return 0;
}
