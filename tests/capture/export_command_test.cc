// The export command on what a collection stored in a real data.mdb: the
// workbook read back by openpyxl, the CSV file byte for byte, and no part of
// a file left by a failure.
#include <gtest/gtest.h>
#include <stdio.h>

#include <filesystem>
#include <map>

#include "capture/collect_command.h"
#include "capture/export_command.h"
#include "capture/forms_command.h"
#include "convert/word_page.h"
#include "document/document_server.h"
#include "fake_host.h"
#include "output/conversion_run.h"
#include "output/dt_table.h"
#include "support/fault_injecting_file_system.h"
#include "support/fixtures.h"
#include "support/temp_folder.h"
#include "support/zip_writer.h"

namespace quillmere {
namespace {

using testing::PageCell;
using testing::PageTable;
using testing::Query;
using Lines = std::vector<std::string>;

// A document server that makes each document's page from the table given
// for its path, in memory, as collect asks for it.
class PageHost : public DocumentHost, public WordDocument {
 public:
  std::map<std::string, PageTable> tables;  // by native path

  Status Open(std::u16string_view document, bool, std::u16string_view, std::u16string_view,
              std::u16string_view) override {
    open_ = files::NativePath(document);
    return Status();
  }
  Status ActiveDocument(WordDocument** document) override {
    *document = this;
    return Status();
  }
  Status Close() override { return Status(); }
  Status SaveAs(std::u16string_view, int16_t) override {
    return Status(ErrorNumber::kUnsupportedFormat, "pages are made in memory only");
  }
  Status WebPage(std::string* page) override {
    *page = codepage::EncodeCp936(unicode::FromUtf8(testing::WordTableMarkup(tables.at(open_))),
                                  codepage::Unencodable::kCharacterReference);
    return Status();
  }

 private:
  std::string open_;
};

// A header of two rows: 成绩 stands over 语文 and 数学, the other headings
// span both rows.
const std::vector<PageCell> kHeader = {
    {"姓名", 1, 2}, {"成绩", 2, 1}, {"身份证号", 1, 2}, {"电话", 1, 2}};
const std::vector<PageCell> kSubHeader = {{"语文"}, {"数学"}};

// The sheet as openpyxl reads it: "sheet TITLE FREEZE", then every row, a
// cell "s:TEXT", "n:VALUE:FORMAT" or "-" (none), tab-separated; then
// "bold" (whether every heading is) and the columns' widths.
constexpr char kReader[] = R"(import sys, openpyxl
from openpyxl.utils import get_column_letter
ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]
print('sheet', ws.title, ws.freeze_panes)
for row in ws.iter_rows():
    print('\t'.join('-' if c.value is None else
                    'n:%r:%s' % (c.value, c.number_format) if c.data_type == 'n' else
                    's:' + str(c.value) for c in row))
print('bold', all(c.font.b for c in ws[1]))
print('widths', ' '.join('%.2f' % ws.column_dimensions[get_column_letter(k)].width
                         for k in range(1, ws.max_column + 1)))
)";

class ExportCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CreateDataMdb(folder_.u16(), kDefaultColumns).ok());
    host_.tables[folder_ / "a.docx"] = {
        kHeader,
        kSubHeader,
        {{"张三"}, {"90"}, {"85.50"}, {"440981199001011234"}, {"013812345678"}},
        {{"李四"}, {"78"}, {"92"}, {"11010519491231002X"}, {"010-62345678"}}};
    host_.tables[folder_ / "b.docx"] = {
        kHeader, kSubHeader, {{"王五"}, {"60"}, {"-7.5"}, {"440981199001011234"}, {"62345678"}}};
    Status status = Collect();
    ASSERT_TRUE(status.ok()) << status.ToString();
  }

  Status Collect() {
    StartContext window{folder_.u16(), host_, controls_, form_, browser_, quiet_};
    Collected collected;
    return CollectTables(window, {folder_ / "a.docx", folder_ / "b.docx"}, false, &collected);
  }

  Status Export(const std::string& file, const std::string& table = "", bool force = false,
                files::FileSystem& file_system = files::Disk()) {
    return ExportTable(*form_.cn, {folder_ / file, table, force}, file_system, &exported_);
  }

  // The workbook as kReader prints it; skipped without python3-openpyxl.
  Lines Workbook(const std::string& file) {
    if (std::system("/usr/bin/python3 -c 'import openpyxl' 2> /dev/null") != 0) {
      if (testing::InCi()) ADD_FAILURE() << "python3-openpyxl is not installed";
      return {};
    }
    folder_.Write("reader.py", kReader);
    FILE* out = popen(
        ("/usr/bin/python3 " + (folder_ / "reader.py") + " " + (folder_ / file)).c_str(), "r");
    std::string text;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, out)) > 0;) text.append(buffer, n);
    EXPECT_EQ(pclose(out), 0) << text;
    Lines lines;
    for (size_t from = 0, end; (end = text.find('\n', from)) != std::string::npos; from = end + 1) {
      lines.push_back(text.substr(from, end - from));
    }
    return lines;
  }

  // Nothing of an export is left in the folder but the files named.
  void ExpectOnly(std::set<std::string> names) {
    names.insert({"data.mdb", "reader.py"});
    for (const auto& entry : std::filesystem::directory_iterator(folder_.path())) {
      EXPECT_EQ(names.count(entry.path().filename().string()), 1u) << entry.path();
    }
  }

  testing::TempFolder folder_;
  PageHost host_;
  testing::FixedControls controls_;
  FormState form_;
  NoBrowser browser_;
  SilentProgress quiet_;
  Exported exported_;
};

TEST_F(ExportCommandTest, AWorkbookHoldsEveryValueAsWhatItIsUnderTheCollectedHeader) {
  Status status = Export("成绩.xlsx");
  ASSERT_TRUE(status.ok()) << status.ToString();
  EXPECT_EQ(exported_.table, "dt_table");
  EXPECT_EQ(exported_.default_after, "collect");
  EXPECT_EQ(exported_.names, Exported::Names::kHeader);
  EXPECT_EQ(exported_.rows, 3);
  EXPECT_EQ(exported_.repeated_headings, 2);  // each document's 语文, 数学 row
  const Lines sheet = Workbook("成绩.xlsx");
  if (sheet.empty()) GTEST_SKIP() << "no python3-openpyxl to read the workbook";
  EXPECT_EQ(sheet, (Lines{
                       "sheet dt_table A2",
                       "s:姓名\ts:成绩 / 语文\ts:成绩 / 数学\ts:身份证号\ts:电话",
                       "s:张三\tn:90:0\tn:85.5:0.00\ts:440981199001011234\ts:013812345678",
                       "s:李四\tn:78:0\tn:92:0\ts:11010519491231002x\ts:010-62345678",
                       // A number under 电话 is text, as every value there.
                       "s:王五\tn:60:0\tn:-7.5:0.0\ts:440981199001011234\ts:62345678",
                       "bold True",
                       // A Chinese character counts two, the widest text one more;
                       // the library adds its own 0.71 of padding.
                       "widths 5.71 12.71 12.71 19.71 13.71",
                   }));
  ExpectOnly({"成绩.xlsx", "cc.html"});
}

TEST_F(ExportCommandTest, ACsvFileHoldsTheSameByteForByteAndTheHeaderOnlyWhileItHoldsTheRows) {
  ASSERT_TRUE(Export("成绩.csv").ok());
  EXPECT_EQ(folder_.Read("成绩.csv"),
            "\xEF\xBB\xBF姓名,成绩 / 语文,成绩 / 数学,身份证号,电话\r\n"
            "张三,90,85.50,440981199001011234,013812345678\r\n"
            "李四,78,92,11010519491231002x,010-62345678\r\n"
            "王五,60,-7.5,440981199001011234,62345678\r\n");

  // A run puts other rows into dt_table: the collection's header no longer
  // names them, and nothing is left out.
  Query(folder_ / "data.mdb", "update dt_table set field1 = 'changed' where field0 = '王五'");
  ASSERT_TRUE(Export("after.csv").ok());
  EXPECT_EQ(exported_.names, Exported::Names::kFieldsSince);
  const std::string after = folder_.Read("after.csv");
  EXPECT_EQ(after.substr(0, after.find("\r\n张三")),
            "\xEF\xBB\xBF"
            "field0,field1,field2,field3,field4\r\n姓名,语文,数学,身份证号,电话");

  // dt_origin keeps its own names, less the value columns no row uses.
  ASSERT_TRUE(Export("origin.csv", "dt_origin").ok());
  const std::string origin = folder_.Read("origin.csv");
  EXPECT_EQ(origin.substr(0, origin.find("\r\n") + 2),
            "\xEF\xBB\xBF"
            "document,table_number,table_row,field0,field1,field2,field3,field4\r\n");
  // A document is named by the path it was collected by.
  EXPECT_NE(origin.find("/b.docx,1,3,王五,60,-7.5,440981199001011234,62345678\r\n"),
            std::string::npos);
}

TEST_F(ExportCommandTest, AFileIsReplacedOnlyWhenAskedAndAFailureLeavesNoPartOfOne) {
  folder_.Write("out.csv", "mine");
  Status status = Export("out.csv");
  EXPECT_EQ(status.number(), ErrorNumber::kFileExists);
  EXPECT_NE(status.description().find("--force"), std::string::npos);
  EXPECT_EQ(folder_.Read("out.csv"), "mine");
  ASSERT_TRUE(Export("out.csv", "", true).ok());
  EXPECT_EQ(folder_.Read("out.csv").substr(3, 6), "姓名");

  // The disk fills while the file is written.
  testing::FaultInjectingFileSystem full;
  full.FailWrite(1, ENOSPC);
  EXPECT_EQ(Export("full.csv", "", false, full).number(), ErrorNumber::kDiskFull);
  // The workbook refuses a value longer than a cell holds.
  Query(folder_ / "data.mdb", "create table dt_form (document text, 备注 text)");
  Query(folder_ / "data.mdb",
        "insert into dt_form values ('a.docx', '" + std::string(40000, 'x') + "')");
  status = Export("form.xlsx", "dt_form");
  EXPECT_EQ(status.number(), ErrorNumber::kSheetTooLarge) << status.ToString();
  EXPECT_EQ(Export("out.txt").number(), ErrorNumber::kSheetFormat);
  ExpectOnly({"out.csv", "cc.html"});
}

TEST_F(ExportCommandTest, ACollectionMakesAnewTheNoteThatWasDropped) {
  Query(folder_ / "data.mdb", "drop table dt_heading");
  Status status = Collect();
  ASSERT_TRUE(status.ok()) << status.ToString();
  EXPECT_EQ(Query(folder_ / "data.mdb",
                  "select stored_table, command, sequence, header_rows, row_count from dt_stored"),
            (std::vector<std::vector<std::string>>{{"dt_table", "collect", "2", "2", "5"}}));
  ASSERT_TRUE(Export("again.csv").ok());
  EXPECT_EQ(exported_.names, Exported::Names::kHeader);
}

TEST_F(ExportCommandTest, AfterFormsTheDefaultIsDtFormWithItsOwnNames) {
  Query(folder_ / "data.mdb",
        "create table dt_form (document text, 姓名 text, \"出生 年月\" text)");
  Query(folder_ / "data.mdb", "insert into dt_form values ('a.docx', '张三', '1990.01')");
  Query(folder_ / "data.mdb",
        "insert into dt_stored (stored_table, command, sequence) values ('dt_form', 'forms', 2)");
  ASSERT_TRUE(Export("forms.csv").ok());
  EXPECT_EQ(exported_.table, "dt_form");
  EXPECT_EQ(exported_.default_after, "forms");
  EXPECT_EQ(exported_.names, Exported::Names::kOwn);
  EXPECT_EQ(folder_.Read("forms.csv"),
            "\xEF\xBB\xBF"
            "document,姓名,出生 年月\r\na.docx,张三,1990.01\r\n");
}

// The start button notes nothing, so the note of forms keeps dt_table's
// digest as forms left it: a run since shows in dt_table's.
TEST_F(ExportCommandTest, AfterFormsThenARunTheDefaultIsDtTableAgain) {
  // A dt_stored of before that digest was kept gets its column.
  Query(folder_ / "data.mdb", "alter table dt_stored drop column dt_table_digest");
  const std::string form =
      "<w:tbl><w:tr><w:tc><w:p><w:r><w:t>姓名</w:t></w:r></w:p></w:tc>"
      "<w:tc><w:p><w:r><w:t>%s</w:t></w:r></w:p></w:tc></w:tr></w:tbl><w:p/>";
  for (const char* who : {"张三", "李四"}) {
    std::string xml = form;
    xml.replace(xml.find("%s"), 2, who);
    ASSERT_TRUE(document::testing::WriteDocx(folder_ / (std::string(who) + ".docx"),
                                             document::testing::DocumentXml(xml)));
  }
  document::DocumentServer server;
  StartContext window{folder_.u16(), server, controls_, form_, browser_, quiet_};
  FormsRead read;
  auto forms = [&] {
    return ReadForms(window, {folder_ / "张三.docx", folder_ / "李四.docx"}, {}, &read);
  };
  ASSERT_TRUE(forms().ok());
  ASSERT_TRUE(Export("forms.csv").ok());
  EXPECT_EQ(exported_.table, "dt_form");

  ASSERT_TRUE(document::testing::WriteDocx(
      folder_ / "table.docx", document::testing::DocumentXml(document::testing::TableXml(3, 2))));
  window.document = files::ProgramPath(folder_ / "table.docx");
  ASSERT_TRUE(Command1_Click(window).ok());
  ASSERT_TRUE(Export("run.csv").ok());
  EXPECT_EQ(exported_.table, "dt_table");
  EXPECT_TRUE(exported_.dt_table_since);
  EXPECT_EQ(exported_.default_after, "forms");
  EXPECT_EQ(exported_.rows, 2);

  window.document.clear();
  ASSERT_TRUE(forms().ok());
  ASSERT_TRUE(Export("forms-again.csv").ok());
  EXPECT_EQ(exported_.table, "dt_form");
  EXPECT_FALSE(exported_.dt_table_since);
}

}  // namespace
}  // namespace quillmere
