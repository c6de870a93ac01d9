// The forms command into PostgreSQL through ODBC: dt_form's columns named
// in the users' own words, quoted, unique and cut to the 63 bytes the server
// allows without splitting a character; records appended there.
#include <gtest/gtest.h>

#include "capture/forms_command.h"
#include "document/document_server.h"
#include "support/postgres_server.h"
#include "support/temp_folder.h"
#include "support/zip_writer.h"

namespace quillmere {
namespace {

using Rows = std::vector<std::vector<std::string>>;

// A form of one row of labels over one row of values.
std::string FormXml(const std::vector<std::string>& labels,
                    const std::vector<std::string>& values) {
  auto row = [](const std::vector<std::string>& cells) {
    std::string xml = "<w:tr>";
    for (const std::string& cell : cells) {
      xml += "<w:tc><w:p><w:r><w:t>" + cell + "</w:t></w:r></w:p></w:tc>";
    }
    return xml + "</w:tr>";
  };
  return document::testing::DocumentXml("<w:tbl>" + row(labels) + row(values) + "</w:tbl><w:p/>");
}

class StartControlsOfNone : public StartControls {
 public:
  int Combo1ListIndex() const override { return 0; }
  void SetCombo1ListIndex(int) override {}
  int32_t Combo1ItemData(int index) const override { return index + 1; }
  int Check1Value() const override { return 1; }
};

TEST(FormsOnServerTest, NamesAreQuotedUniqueAndCutToWhatPostgresqlAllows) {
  std::optional<testing::PostgresServer> postgres;
  QM_REQUIRE_POSTGRES(postgres);
  postgres->Psql("drop table if exists dt_form");
  std::string thirty;
  for (int i = 0; i < 30; ++i) thirty += "项";  // 90 bytes of UTF-8
  const std::vector<std::string> labels = {thirty, thirty, "EMAIL", "Email", "引号&quot;内", "问?"};

  testing::TempFolder folder;
  const std::vector<std::string> documents = {folder / "a.docx", folder / "b.docx"};
  ASSERT_TRUE(
      document::testing::WriteDocx(documents[0], FormXml(labels, {"1", "2", "3", "4", "5", "6"})));
  ASSERT_TRUE(document::testing::WriteDocx(documents[1],
                                           FormXml(labels, {"7", "8", "9", "10", "11", "12"})));
  document::DocumentServer server;
  StartControlsOfNone controls;
  FormState form;
  form.strConnection = unicode::FromUtf8(postgres->ConnectionString());
  NoBrowser browser;
  SilentProgress quiet;
  StartContext window{folder.u16(), server, controls, form, browser, quiet};
  FormsRead read;
  for (int reading = 0; reading < 2; ++reading) {  // the second keeps dt_form and empties it
    Status status = ReadForms(window, documents, {}, &read);
    ASSERT_TRUE(status.ok()) << status.ToString();
  }

  std::string cut;
  for (int i = 0; i < 21; ++i) cut += "项";  // 63 bytes
  std::string cut_for_number;
  for (int i = 0; i < 20; ++i) cut_for_number += "项";
  EXPECT_EQ(postgres->Psql("select column_name from information_schema.columns where "
                           "table_name = 'dt_form' order by ordinal_position"),
            (Rows{{"document"},
                  {cut},
                  {cut_for_number + "_2"},
                  {"EMAIL"},
                  {"Email_2"},
                  {"引号\"内"},
                  {"问?"}}));
  EXPECT_EQ(postgres->Psql("select * from dt_form order by document"),
            (Rows{{documents[0], "1", "2", "3", "4", "5", "6"},
                  {documents[1], "7", "8", "9", "10", "11", "12"}}));

  // Appended: the changed document's record replaced by its name, quoted.
  ASSERT_TRUE(document::testing::WriteDocx(documents[1],
                                           FormXml(labels, {"0", "8", "9", "10", "11", "12"})));
  FormsOptions append;
  append.append = true;
  Status status = ReadForms(window, documents, append, &read);
  ASSERT_TRUE(status.ok()) << status.ToString();
  EXPECT_EQ(CountsText(read.appended), "0 new, 1 changed, 1 unchanged");
  EXPECT_EQ(postgres->Psql("select * from dt_form order by document"),
            (Rows{{documents[0], "1", "2", "3", "4", "5", "6"},
                  {documents[1], "0", "8", "9", "10", "11", "12"}}));
  postgres->Psql("drop table dt_form");
}

}  // namespace
}  // namespace quillmere
