// The forms command through the real pieces: the fixtures' real forms and
// documents made here, read by our own readers into a real data.mdb.
#include "capture/forms_command.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>

#include "convert/recorder.h"
#include "document/document_server.h"
#include "document/word97/doc_builder.h"
#include "fake_host.h"
#include "output/dt_table.h"
#include "platform/encoding/codepage.h"
#include "support/fixtures.h"
#include "support/temp_folder.h"
#include "support/zip_writer.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::Query;
using Rows = std::vector<std::vector<std::string>>;

class FormsCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CreateDataMdb(folder_.u16(), 4).ok());
    Query(db(), "insert into dt_table (field0) values ('before')");
  }

  Status Read(const std::vector<std::string>& documents, const std::string& blank = "",
              bool skip_failures = false) {
    forms::TableChoice all;
    all.all = true;
    StartContext window{folder_.u16(), server_, controls_, form_, browser_, label_};
    return ReadForms(window, documents, {all, blank, skip_failures}, &read_);
  }

  std::string db() const { return folder_ / "data.mdb"; }
  // dt_form's records, the column names first.
  Rows Records() const {
    Rows rows = Query(db(), "select name from pragma_table_info('dt_form') order by cid");
    Rows names(1);
    for (const auto& row : rows) names[0].push_back(row[0]);
    for (auto& record : Query(db(), "select * from dt_form order by rowid")) {
      names.push_back(record);
    }
    return names;
  }
  std::string Page() const {
    return unicode::ToUtf8(codepage::DecodeCp936(folder_.Read("cc.html")));
  }

  testing::TempFolder folder_;
  document::DocumentServer server_;
  testing::FixedControls controls_;
  FormState form_;
  NoBrowser browser_;
  testing::Recorder label_;
  FormsRead read_;
};

// A column's name, or a label, as the fixtures' truth compares them.
std::string Bare(const std::string& text) {
  static const std::regex kBlanksAndColons("[\\s:]|\u3000|：");
  return std::regex_replace(text, kBlanksAndColons, "");
}
std::string WithoutHint(const std::string& label) {
  static const std::regex kHint("（[^（）]*）|\\([^()]*\\)");
  return std::regex_replace(label, kHint, "");
}
std::string OneBlank(const std::string& text) {
  return std::regex_replace(std::regex_replace(text, std::regex("\\s+"), " "), std::regex("^ | $"),
                            "");
}

// Whether `record` has the truth's value under a column whose name holds
// one of its labels.
bool Found(const std::vector<std::string>& names, const std::vector<std::string>& record,
           const nlohmann::json& truth) {
  for (size_t c = 0; c < names.size(); ++c) {
    if (record[c] != OneBlank(truth["value"])) continue;
    for (const std::string label : truth["labels"]) {
      for (const std::string& named : {Bare(label), Bare(WithoutHint(label))}) {
        if (!named.empty() && Bare(names[c]).find(named) != std::string::npos) return true;
      }
    }
  }
  return false;
}

struct FormCase {
  std::string form;
  bool with_blank;
};

class FixtureFormsTest : public FormsCommandTest, public ::testing::WithParamInterface<FormCase> {};

std::string FormCaseName(const ::testing::TestParamInfo<FormCase>& info) {
  return std::regex_replace(info.param.form, std::regex("-"), "_") +
         (info.param.with_blank ? "_with_blank" : "_by_documents");
}

std::vector<FormCase> FixtureForms() {
  std::vector<FormCase> cases;
  for (const char* form :
       {"f01-shebao-butie", "f03-zscq-shending", "f05-paishui-xuke", "f07-jishu-hetong-biangeng",
        "f09-tezhong-shebei", "f11-tingke-jilu", "f13-chubanwu-geti", "f15-yanchu-dengji",
        "f17-tiyu-gaowei", "f19-zuowen-pingfen", "f21-chengguo-zhuanhua"}) {
    cases.push_back({form, true});
    cases.push_back({form, false});
  }
  return cases;
}

// Every value of every filled-in copy stands under a column named by its
// label, with the blank form and without it; nothing else of the database
// changes.
TEST_P(FixtureFormsTest, EveryValueStandsUnderItsLabel) {
  const std::string folder = "forms/" + GetParam().form;
  QM_REQUIRE_FIXTURE(folder);
  const fs::path root = testing::FixturePath(folder);
  std::string blank;
  std::vector<std::string> documents;
  for (const auto& entry : fs::directory_iterator(root / "filled")) {
    documents.push_back(entry.path().string());
  }
  std::sort(documents.begin(), documents.end());
  for (const auto& entry : fs::directory_iterator(root)) {
    if (entry.path().stem() == "blank") blank = entry.path().string();
  }
  Status status = Read(documents, GetParam().with_blank ? blank : "");
  ASSERT_TRUE(status.ok()) << status.ToString();

  const nlohmann::json truth = nlohmann::json::parse(std::ifstream(root / "truth.json"));
  const Rows records = Records();
  ASSERT_EQ(records.size(), documents.size() + 1);
  for (size_t d = 0; d < documents.size(); ++d) {
    const std::vector<std::string>& record = records[d + 1];
    const std::string name = fs::path(documents[d]).filename().string();
    EXPECT_EQ(record[0], fs::path(documents[d]).lexically_normal().string());
    for (const nlohmann::json& value : truth[name]) {
      EXPECT_TRUE(Found(records[0], record, value)) << name << ": " << value.dump();
    }
  }
  EXPECT_EQ(Query(db(), "select field0 from dt_table"), (Rows{{"before"}}));
  EXPECT_TRUE(Query(db(), "select * from dt_origin").empty());
  EXPECT_NE(Page().find("<tr><td>document</td>"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Forms, FixtureFormsTest, ::testing::ValuesIn(FixtureForms()),
                         FormCaseName);

// --- Check boxes of every kind, ticked and not, in both formats ---

std::string R(const std::string& inner) { return "<w:r>" + inner + "</w:r>"; }
std::string P(const std::string& runs) { return "<w:p>" + runs + "</w:p>"; }

std::string DocxRow(const std::string& label, const std::string& options) {
  return "<w:tr><w:tc>" + P(R("<w:t>" + label + "</w:t>")) + "</w:tc><w:tc>" + P(options) +
         "</w:tc></w:tr>";
}

// 是 and 否, one ticked: as typed boxes, a Wingdings symbol, content
// controls and form fields.
std::string DocxForm(bool yes) {
  auto typed = [](bool ticked) {
    return R(std::string("<w:t>") + (ticked ? "☑" : "☐") + "</w:t>");
  };
  auto symbol = [](bool ticked) {
    return R(std::string("<w:sym w:font=\"Wingdings\" w:char=\"") + (ticked ? "F0FE" : "F0A8") +
             "\"/>");
  };
  auto control = [](bool ticked) {
    return std::string("<w:sdt><w:sdtPr><w14:checkbox><w14:checked w14:val=\"") +
           (ticked ? "1" : "0") + "\"/></w14:checkbox></w:sdtPr><w:sdtContent>" +
           R("<w:t>☐</w:t>") + "</w:sdtContent></w:sdt>";
  };
  auto field = [](bool ticked) {
    return R(std::string("<w:fldChar w:fldCharType=\"begin\"><w:ffData><w:checkBox>") +
             "<w:default w:val=\"" + (ticked ? "1" : "0") +
             "\"/></w:checkBox></w:ffData></w:fldChar>") +
           R("<w:instrText> FORMCHECKBOX </w:instrText>") + R("<w:fldChar w:fldCharType=\"end\"/>");
  };
  std::string rows;
  for (const auto& [label, box] :
       std::vector<std::pair<std::string, std::function<std::string(bool)>>>{
           {"文字", typed}, {"符号", symbol}, {"控件", control}, {"域", field}}) {
    rows += DocxRow(label, box(yes) + R("<w:t>是 </w:t>") + box(!yes) + R("<w:t>否</w:t>"));
  }
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<w:document "
         "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
         "xmlns:w14=\"http://schemas.microsoft.com/office/word/2010/wordml\"><w:body><w:tbl>"
         "<w:tblGrid><w:gridCol w:w=\"2000\"/><w:gridCol w:w=\"4000\"/></w:tblGrid>" +
         rows + "</w:tbl><w:p/></w:body></w:document>";
}

std::string DocForm(bool yes) {
  document::testing::DocBuilder doc;
  const std::vector<int> edges = {0, 2000, 6000};
  doc.Text(u"文字").EndCell().Text(yes ? u"☑是 ☐否" : u"☐是 ☑否").EndCell().EndRow(edges);
  doc.Text(u"符号").EndCell();
  doc.Symbols(u"Wingdings", yes ? u"\uF0FE" : u"\uF0A8").Text(u"是 ");
  doc.Symbols(u"Wingdings", yes ? u"\uF0A8" : u"\uF0FE").Text(u"否").EndCell().EndRow(edges);
  doc.Text(u"域").EndCell();
  doc.CheckBoxField(yes).Text(u"是 ").CheckBoxField(!yes).Text(u"否").EndCell().EndRow(edges);
  doc.Text(u"").EndParagraph();
  return doc.Build();
}

TEST_F(FormsCommandTest, CheckBoxesOfEveryKindTickedAndNotInBothFormats) {
  ASSERT_TRUE(document::testing::WriteDocx(folder_ / "yes.docx", DocxForm(true)));
  ASSERT_TRUE(document::testing::WriteDocx(folder_ / "no.docx", DocxForm(false)));
  Status status = Read({folder_ / "yes.docx", folder_ / "no.docx"});
  ASSERT_TRUE(status.ok()) << status.ToString();
  EXPECT_EQ(Records(), (Rows{{"document", "文字", "符号", "控件", "域"},
                             {folder_ / "yes.docx", "是", "是", "是", "是"},
                             {folder_ / "no.docx", "否", "否", "否", "否"}}));

  folder_.Write("yes.doc", DocForm(true));
  folder_.Write("no.doc", DocForm(false));
  status = Read({folder_ / "yes.doc", folder_ / "no.doc"});
  ASSERT_TRUE(status.ok()) << status.ToString();
  EXPECT_EQ(Records(), (Rows{{"document", "文字", "符号", "域"},
                             {folder_ / "yes.doc", "是", "是", "是"},
                             {folder_ / "no.doc", "否", "否", "否"}}));
}

// --- Documents that do not fit, and what the database keeps ---

std::string ReadZipEntry(const std::string& path, const char* name) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
  if (archive == nullptr) return {};
  std::string bytes;
  zip_stat_t stat;
  zip_file_t* file = zip_stat(archive, name, 0, &stat) == 0 ? zip_fopen(archive, name, 0) : nullptr;
  if (file != nullptr) {
    bytes.resize(stat.size);
    if (zip_fread(file, bytes.data(), stat.size) != static_cast<zip_int64_t>(stat.size)) {
      bytes.clear();
    }
    zip_fclose(file);
  }
  zip_close(archive);
  return bytes;
}

TEST_F(FormsCommandTest, ADocumentThatDoesNotFitIsNamedWithItsLabelAndNothingIsStored) {
  QM_REQUIRE_FIXTURE("forms/f05-paishui-xuke");
  QM_REQUIRE_FIXTURE("forms/f07-jishu-hetong-biangeng");
  const fs::path f05 = testing::FixturePath("forms/f05-paishui-xuke");
  const std::string blank = (f05 / "blank.docx").string();
  std::vector<std::string> documents;
  for (int n = 1; n <= 3; ++n) {
    documents.push_back(f05 / "filled" / ("f05-paishui-xuke-" + std::to_string(n) + ".docx"));
  }
  ASSERT_TRUE(Read(documents, blank).ok());
  const Rows stored = Records();
  const std::string page = folder_.Read("cc.html");

  // A label changed in one copy; another form altogether.
  const std::string odd = testing::FixturePath(
      "forms/f07-jishu-hetong-biangeng/filled/f07-jishu-hetong-biangeng-1.docx");
  std::string xml = ReadZipEntry(documents[1], "word/document.xml");
  xml.replace(xml.find("联系电话"), std::string("联系电话").size(), "电话号码");
  ASSERT_TRUE(document::testing::WriteDocx(folder_ / "changed.docx", xml));
  const std::vector<std::string> mixed = {documents[0], folder_ / "changed.docx", odd};
  for (const std::string& with : {blank, std::string()}) {
    Status status = Read(mixed, with);
    EXPECT_EQ(status.number(), ErrorNumber::kFormMismatch) << status.ToString();
    for (const char* words : {"f07-jishu-hetong-biangeng-1.docx: error 4007: ",
                              "建 设 单 位 （盖章）", "--skip-failures"}) {
      EXPECT_NE(status.description().find(words), std::string::npos) << status.ToString();
    }
    EXPECT_EQ(status.description().find("changed.docx: error 4007: ") != std::string::npos,
              !with.empty())
        << "without the blank form a changed label is a value: " << status.ToString();
    EXPECT_EQ(Records(), stored);
    EXPECT_EQ(folder_.Read("cc.html"), page) << "the preview shows what is stored";
    EXPECT_FALSE(folder_.Has("cc.html.partial"));
  }
  Status status = Read(mixed, blank);
  EXPECT_NE(status.description().find("the label \"联系电话\" (table 1, row 3) is missing: the "
                                      "document has \"电话号码\""),
            std::string::npos)
      << status.ToString();

  status = Read(mixed, blank, true);
  ASSERT_TRUE(status.ok()) << status.ToString();
  EXPECT_EQ(read_.documents, 1u);
  ASSERT_EQ(read_.left_out.size(), 2u);
  EXPECT_EQ(read_.left_out[0].first, folder_ / "changed.docx");
  EXPECT_EQ(Records().size(), 2u);
  EXPECT_EQ(Records()[0], stored[0]) << "the same names: dt_form is kept and emptied";
  EXPECT_NE(Page().find("f07-jishu-hetong-biangeng-1.docx: left out, error 4007: "),
            std::string::npos);

  // Another form's names make dt_form anew.
  ASSERT_TRUE(Read({odd}).ok());
  EXPECT_NE(Records()[0], stored[0]);
  EXPECT_EQ(Records().size(), 2u);
  EXPECT_FALSE(read_.labels_taken.empty()) << "one document and no blank form";
  EXPECT_NE(Page().find("these cells were taken as labels: 申请人名称 （或姓名）"),
            std::string::npos);
  EXPECT_EQ(Query(db(), "select field0 from dt_table"), (Rows{{"before"}}));
}

// --- Reading again with --append ---

class FormsAppendTest : public FormsCommandTest {
 protected:
  // A form of a row of labels over a row of values.
  std::string Form(const std::string& name, const std::string& who, const std::string& phone) {
    auto cell = [](const std::string& text) {
      return "<w:tc>" + P(R("<w:t>" + text + "</w:t>")) + "</w:tc>";
    };
    const std::string table = "<w:tbl><w:tr>" + cell("姓名") + cell("电话") + "</w:tr><w:tr>" +
                              cell(who) + cell(phone) + "</w:tr></w:tbl><w:p/>";
    EXPECT_TRUE(
        document::testing::WriteDocx(folder_ / name, document::testing::DocumentXml(table)));
    return folder_ / name;
  }
  Status Append(const std::vector<std::string>& documents, const std::string& blank,
                bool prune = false) {
    forms::TableChoice all;  // as Read reads them
    all.all = true;
    StartContext window{folder_.u16(), host_, controls_, form_, browser_, label_};
    return ReadForms(window, documents, {all, blank, false, true, prune}, &read_);
  }
  // The records by document's file name, in dt_form's order.
  Rows Stored() const {
    Rows rows = Query(db(), "select document, 姓名, 电话 from dt_form order by rowid");
    for (auto& row : rows) row[0] = fs::path(row[0]).filename().string();
    return rows;
  }

  testing::CountingHost host_;
};

TEST_F(FormsAppendTest, OnlyNewAndChangedFormsAreStoredAndTheNamesMustBeDtForms) {
  const std::string blank = Form("blank.docx", "", "");
  const std::string a = Form("a.docx", "张三", "13800000001"),
                    b = Form("b.docx", "李四", "13800000002");
  ASSERT_TRUE(Read({a, b}, blank).ok());
  EXPECT_EQ(Query(db(), "select stored_table, command, row_count from dt_stored"),
            (Rows{{"dt_form", "forms", "2"}}))
      << "forms notes that it stored dt_form";

  const std::string c = Form("c.docx", "王五", "13800000003");
  Form("b.docx", "李四", "13900000002");
  Status status = Append({a, b, c}, blank);
  ASSERT_TRUE(status.ok()) << status.ToString();
  EXPECT_EQ(host_.opened, (std::map<std::string, int>{{blank, 1}, {b, 2}, {c, 2}}));
  EXPECT_EQ(Stored(), (Rows{{"a.docx", "张三", "13800000001"},
                            {"b.docx", "李四", "13900000002"},
                            {"c.docx", "王五", "13800000003"}}));
  EXPECT_EQ(CountsText(read_.appended), "1 new, 1 changed, 1 unchanged");
  EXPECT_EQ(read_.held, 3u);
  EXPECT_EQ(Page().find("张三"), std::string::npos) << "only the records stored now";
  EXPECT_NE(Page().find("1 other document keeps what dt_form holds of it"), std::string::npos);

  // Without the blank form the unchanged documents are read to learn the
  // labels from, and stored as they are.
  host_.opened.clear();
  ASSERT_TRUE(Append({a, b, c}, "").ok());
  EXPECT_EQ(host_.opened, (std::map<std::string, int>{{a, 1}, {b, 1}, {c, 1}}));
  EXPECT_EQ(CountsText(read_.appended), "0 new, 0 changed, 3 unchanged");
  EXPECT_EQ(Stored().size(), 3u);

  // A new form alone teaches other names than dt_form's: nothing is stored.
  const Rows before = Stored();
  const std::string d = Form("d.docx", "赵六", "13800000004");
  status = Append({d}, "");
  EXPECT_EQ(status.number(), ErrorNumber::kStoredFormDiffers) << status.ToString();
  EXPECT_NE(status.description().find("--template"), std::string::npos) << status.ToString();
  EXPECT_EQ(Stored(), before);
  EXPECT_EQ(Query(db(), "select count(*) from dt_document"), (Rows{{"3"}}));

  // With the blank form it fits; --prune leaves only the documents named.
  ASSERT_TRUE(Append({c, d}, blank, true).ok());
  EXPECT_EQ(CountsText(read_.appended), "1 new, 0 changed, 1 unchanged, 2 pruned");
  EXPECT_EQ(Stored(), (Rows{{"c.docx", "王五", "13800000003"}, {"d.docx", "赵六", "13800000004"}}));
  EXPECT_EQ(Query(db(), "select count(*) from dt_document"), (Rows{{"2"}}));
}

}  // namespace
}  // namespace quillmere
