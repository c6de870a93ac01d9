// The collect command through the real pieces: real documents of the
// fixtures read by our own readers, a real data.mdb and real files.
#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "capture/collect_command.h"
#include "convert/recorder.h"
#include "document/document_server.h"
#include "fake_host.h"
#include "output/dt_origin.h"
#include "output/dt_table.h"
#include "platform/encoding/codepage.h"
#include "support/fixtures.h"
#include "support/temp_folder.h"
#include "support/zip_writer.h"

namespace quillmere {
namespace {

using testing::FixedControls;
using testing::Query;
using Rows = std::vector<std::vector<std::string>>;

constexpr int kFields = 10;
// Three real documents, a .doc and two .docx, whose first tables are 5, 4
// and 7 columns wide.
const char* const kDocuments[] = {"doc/aspjava__Template.doc", "docx/d2p__merged_cells.docx",
                                  "docx/ck4__11477Table_in_word.docx"};

std::string Fixture(const char* relative) { return testing::FixturePath(relative).string(); }
// A document is named by its path as given, written lexically normal.
std::string NameOf(const char* relative) {
  return testing::FixturePath(relative).lexically_normal().string();
}

class CollectCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* document : kDocuments) QM_REQUIRE_FIXTURE(document);
    ASSERT_TRUE(CreateDataMdb(folder_.u16(), kFields).ok());
    Query(db(), "insert into dt_table (field0) values ('before')");
  }

  StartContext Window(DocumentHost& host) {
    return StartContext{folder_.u16(), host, controls_, form_, browser_, label_};
  }
  Status Collect(const std::vector<std::string>& documents, bool skip_failures = false,
                 DocumentHost* host = nullptr) {
    StartContext window = Window(host ? *host : server_);
    return CollectTables(window, documents, skip_failures, &collected_);
  }
  // A click of the start button on the document, as if it were test.doc.
  Status RunOn(const std::string& document) {
    StartContext window = Window(server_);
    window.document = files::ProgramPath(document);
    return Command1_Click(window);
  }

  std::string db() const { return folder_ / "data.mdb"; }
  Rows Table() const { return Query(db(), "select * from dt_table order by rowid"); }
  Rows Origins() const { return Query(db(), "select * from dt_origin order by rowid"); }
  std::u16string Page() const { return codepage::DecodeCp936(folder_.Read("cc.html")); }
  // The statements of the page, as a run lists them under its rows.
  std::u16string Statements() const {
    const std::u16string page = Page();
    const size_t start = page.find(u"</tr></table>") + 13;
    return page.substr(start, page.size() - 2 - start);  // without the final CR LF
  }
  void ExpectUnchanged(const Rows& table, const Rows& origins) {
    EXPECT_EQ(Table(), table);
    EXPECT_EQ(Origins(), origins);
    EXPECT_FALSE(form_.cn->InTransaction());
  }

  testing::TempFolder folder_;
  document::DocumentServer server_;
  FixedControls controls_;
  FormState form_;
  NoBrowser browser_;
  testing::Recorder label_;
  Collected collected_;
};

TEST_F(CollectCommandTest, TheRowsOfThreeDocumentsAreThoseOfThreeRunsWithTheirOrigins) {
  Rows runs, origins;
  std::u16string statements;
  for (const char* document : kDocuments) {
    Status run = RunOn(Fixture(document));
    ASSERT_TRUE(run.ok()) << run.ToString();
    const Rows rows = Table();
    runs.insert(runs.end(), rows.begin(), rows.end());
    for (size_t r = 0; r < rows.size(); ++r) {
      Rows::value_type origin = {NameOf(document), "1", std::to_string(r + 2)};  // after the header
      origin.insert(origin.end(), rows[r].begin(), rows[r].end());
      origins.push_back(origin);
    }
    statements += Statements();
  }
  for (const char* file : {"test.html", "tabletest.html"}) std::filesystem::remove(folder_ / file);
  const std::string bytes = [&] {
    std::ifstream in(Fixture(kDocuments[0]), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }();

  std::vector<std::string> documents;
  for (const char* document : kDocuments) documents.push_back(Fixture(document));
  Status status = Collect(documents);
  ASSERT_TRUE(status.ok()) << status.ToString();
  EXPECT_EQ(Table(), runs);
  EXPECT_EQ(Origins(), origins);
  EXPECT_EQ(collected_.documents, 3u);
  EXPECT_EQ(form_.rs->RecordCount(), runs.size());
  EXPECT_FALSE(folder_.Has("test.html") || folder_.Has("tabletest.html"));
  std::ifstream again(Fixture(kDocuments[0]), std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(again), {}), bytes);

  // The preview: every document's rows after a row naming it, every row as
  // wide as the widest table (7), then the statements the runs showed.
  const std::string page = unicode::ToUtf8(Page());
  for (const char* document : kDocuments) {
    EXPECT_NE(page.find("<tr><td colspan=7><b>" + NameOf(document) + "</b></td>"),
              std::string::npos);
  }
  const std::regex row("\r\n<tr>((<td>[^<]*</td>)*)</td>");
  size_t shown = 0;
  for (auto it = std::sregex_iterator(page.begin(), page.end(), row); it != std::sregex_iterator();
       ++it, ++shown) {
    const std::string cells = (*it)[1];
    EXPECT_EQ(std::count(cells.begin(), cells.end(), '/'), 7) << cells;
  }
  EXPECT_EQ(shown, runs.size());
  EXPECT_EQ(Statements(), statements);

  // Progress names every document, reading then storing it.
  EXPECT_EQ(label_.Only("status Reading 2/3: ").size(), 1u);
  EXPECT_EQ(label_.Only("status Storing 3/3: " + NameOf(kDocuments[2])).size(), 1u);
  EXPECT_EQ(label_.events.back(), "status 数据库存在形式与CC.html显示的效果类似");
}

TEST_F(CollectCommandTest, BadDocumentsStopItAllUnlessLeftOut) {
  ASSERT_TRUE(Collect({Fixture(kDocuments[0])}).ok());
  const Rows table = Table(), origins = Origins();
  label_.events.clear();
  folder_.Write("notes.docx", "plain text, not a document");
  controls_.list_index = 1;  // the second table, which one document lacks
  QM_REQUIRE_FIXTURE("docx/aspnet__Nested_tables.docx");
  const std::vector<std::string> documents = {Fixture("docx/aspnet__Nested_tables.docx"),
                                              folder_ / "notes.docx", Fixture(kDocuments[1]),
                                              Fixture("docx/aspnet__Nested_tables.docx")};

  Status status = Collect(documents);
  EXPECT_EQ(status.number(), ErrorNumber::kUnsupportedFormat) << status.ToString();
  for (const std::string& words :
       {std::string("2 of the 4 documents cannot be collected"),
        std::string("notes.docx: error 2001: "),
        "d2p__merged_cells.docx: error 4004: " + NameOf(kDocuments[1]) + " 中只有1个表格",
        std::string("--skip-failures")}) {
    EXPECT_NE(status.description().find(words), std::string::npos) << status.ToString();
  }
  ExpectUnchanged(table, origins);
  EXPECT_TRUE(label_.Only("status Storing").empty()) << "nothing is stored";

  status = Collect(documents, true);
  ASSERT_TRUE(status.ok()) << status.ToString();
  EXPECT_EQ(collected_.documents, 2u);
  ASSERT_EQ(collected_.left_out.size(), 2u);
  EXPECT_EQ(collected_.left_out[0].first, folder_ / "notes.docx");
  EXPECT_EQ(collected_.left_out[1].second.number(), ErrorNumber::kTableNotInDocument);
  EXPECT_EQ(collected_.left_out[1].second.description().find("dt_table is unchanged"),
            std::string::npos)
      << "dt_table was replaced: " << collected_.left_out[1].second.ToString();
  const Rows stored = Query(db(), "select distinct document, table_number from dt_origin");
  EXPECT_EQ(stored, (Rows{{NameOf("docx/aspnet__Nested_tables.docx"), "2"}}));
  EXPECT_NE(unicode::ToUtf8(Page()).find("d2p__merged_cells.docx: left out, error 4004: "),
            std::string::npos);

  // A document that fails when it is read again rolls back what the others
  // stored.
  const Rows collected = Table(), their_origins = Origins();
  testing::CountingHost host;
  host.fail_open = 4;  // the second document, read again
  status = Collect({documents[0], documents[3]}, false, &host);
  EXPECT_EQ(status.number(), ErrorNumber::kCorruptDocument);
  EXPECT_NE(
      status.description().find("Storing " + NameOf("docx/aspnet__Nested_tables.docx") + " failed"),
      std::string::npos)
      << status.ToString();
  ExpectUnchanged(collected, their_origins);
}

TEST_F(CollectCommandTest, ATableWiderThanDtTableStopsBeforeAnyInsert) {
  std::filesystem::remove(db());
  ASSERT_TRUE(CreateDataMdb(folder_.u16(), 6).ok());
  Query(db(), "insert into dt_table (field0) values ('kept')");
  std::vector<std::string> documents;
  for (const char* document : kDocuments) documents.push_back(Fixture(document));
  Status status = Collect(documents);
  EXPECT_EQ(status.number(), ErrorNumber::kDtTableTooNarrow) << status.ToString();
  EXPECT_NE(status.description().find("The table has 7 columns"), std::string::npos);
  EXPECT_TRUE(label_.Only("status Storing").empty());
  ExpectUnchanged({{"kept", "NULL", "NULL", "NULL", "NULL", "NULL"}}, {});
}

// dt_origin holds three columns of its own beside the values, so a table as
// wide as dt_table's most is refused up front, not by dt_origin's width.
TEST_F(CollectCommandTest, ATableWiderThanDtOriginCanRecordStopsUpFront) {
  std::filesystem::remove(db());
  ASSERT_TRUE(CreateDataMdb(folder_.u16(), kMaxColumns).ok());
  const std::string wide = folder_ / "wide.docx";
  ASSERT_TRUE(document::testing::WriteDocx(
      wide, document::testing::DocumentXml(document::testing::TableXml(2, kMaxOriginFields + 1))));
  Status status = Collect({wide});
  EXPECT_EQ(status.number(), ErrorNumber::kTooManyColumns) << status.ToString();
  EXPECT_NE(status.description().find("a collection stores at most 1997"), std::string::npos)
      << status.ToString();
  EXPECT_NE(status.description().find("quillmere run DOCUMENT"), std::string::npos);
  ExpectUnchanged({}, {});
}

TEST_F(CollectCommandTest, DtOriginIsMadeWhenMissingAndANarrowOneRefused) {
  EXPECT_EQ(Query(db(), "select name from pragma_table_info('dt_origin') limit 5"),
            (Rows{{"document"}, {"table_number"}, {"table_row"}, {"field0"}, {"field1"}}));
  EXPECT_THROW(
      Query(db(), "insert into dt_origin (document) values ('" + std::string(256, 'x') + "')"),
      std::runtime_error);

  Query(db(), "drop table dt_origin");
  ASSERT_TRUE(Collect({Fixture(kDocuments[1])}).ok());
  EXPECT_EQ(Query(db(), "select count(*) from pragma_table_info('dt_origin')"),
            (Rows{{std::to_string(3 + kFields)}}));
  EXPECT_EQ(Origins().size(), Table().size());

  Query(db(), "drop table dt_origin");
  Query(db(), "create table dt_origin (document, table_number, table_row, field0, field1)");
  const Rows table = Table();
  Status status = Collect({Fixture(kDocuments[1])});
  EXPECT_EQ(status.number(), ErrorNumber::kDtTableTooNarrow);
  EXPECT_NE(status.description().find("dt_origin in \"" + db() + "\" has only 2"),
            std::string::npos)
      << status.ToString();
  ExpectUnchanged(table, {});
}

// Collecting again with --append, on documents made here: each a table of
// a header and one row per text.
class CollectAppendTest : public CollectCommandTest {
 protected:
  void SetUp() override { ASSERT_TRUE(CreateDataMdb(folder_.u16(), kFields).ok()); }

  std::string Write(const std::string& name, const std::vector<std::string>& texts) {
    auto row = [](const std::string& a, const std::string& b) {
      return "<w:tr><w:tc><w:p><w:r><w:t>" + a + "</w:t></w:r></w:p></w:tc><w:tc><w:p><w:r><w:t>" +
             b + "</w:t></w:r></w:p></w:tc></w:tr>";
    };
    std::string table = "<w:tbl>" + row("name", "n");
    for (size_t t = 0; t < texts.size(); ++t) table += row(texts[t], std::to_string(t + 1));
    EXPECT_TRUE(document::testing::WriteDocx(
        folder_ / name, document::testing::DocumentXml(table + "</w:tbl><w:p/>")));
    return folder_ / name;
  }
  Status Append(const std::vector<std::string>& documents, bool prune = false,
                DocumentHost* host = nullptr) {
    StartContext window = Window(host != nullptr ? *host : host_);
    return CollectTables(window, documents, {false, true, prune}, &collected_);
  }
  // dt_table's first column, in its order, and what dt_origin says of it.
  Rows Stored() const {
    const Rows table = Query(db(), "select field0 from dt_table order by rowid");
    Rows origins = Query(db(), "select document, field0 from dt_origin order by rowid");
    EXPECT_EQ(table.size(), origins.size());
    for (size_t r = 0; r < table.size() && r < origins.size(); ++r) {
      EXPECT_EQ(table[r][0], origins[r][1]) << "row " << r;
      origins[r][0] = std::filesystem::path(origins[r][0]).filename().string();
    }
    return origins;
  }
  // Everything an append may change.
  Rows Database() const {
    Rows all = Query(db(), "select * from dt_table order by rowid");
    for (const char* select :
         {"select * from dt_origin order by rowid", "select * from dt_document order by rowid",
          "select * from dt_stored order by rowid", "select * from dt_heading order by rowid"}) {
      const Rows more = Query(db(), select);
      all.insert(all.end(), more.begin(), more.end());
      all.push_back({"--"});
    }
    return all;
  }

  testing::CountingHost host_;
};

TEST_F(CollectAppendTest, OnlyTheNewAndTheChangedAreReadAndTheGoneStayUnlessPruned) {
  const std::string a = Write("a.docx", {"a1", "a2"}), b = Write("b.docx", {"b1"});
  ASSERT_TRUE(Collect({a, b}, false, &host_).ok());
  const Rows digests = Query(db(), "select document, length(digest) from dt_document");
  EXPECT_EQ(digests, (Rows{{a, "32"}, {b, "32"}})) << "a plain collection notes its documents";

  const std::string c = Write("c.docx", {"c1"});
  Write("b.docx", {"b2", "b3"});
  host_.opened.clear();
  label_.events.clear();
  Status status = Append({a, b, c});
  ASSERT_TRUE(status.ok()) << status.ToString();
  EXPECT_EQ(host_.opened, (std::map<std::string, int>{{b, 2}, {c, 2}})) << "a is not read";
  EXPECT_EQ(Stored(), (Rows{{"a.docx", "a1"},
                            {"a.docx", "a2"},
                            {"b.docx", "b2"},
                            {"b.docx", "b3"},
                            {"c.docx", "c1"}}));
  EXPECT_EQ(CountsText(collected_.appended), "1 new, 1 changed, 1 unchanged");
  EXPECT_EQ(collected_.held, 3u);
  EXPECT_EQ(label_.events[0], "status Documents: 1 new, 1 changed, 1 unchanged");
  EXPECT_EQ(label_.Only("status Reading 1/2: " + b).size(), 1u);
  const std::string page = unicode::ToUtf8(Page());
  EXPECT_EQ(page.find("<b>" + a + "</b>"), std::string::npos) << "only the rows stored now";
  EXPECT_NE(page.find("<b>" + c + "</b>"), std::string::npos);
  EXPECT_NE(page.find("1 other document keeps what dt_table holds of it"), std::string::npos);
  // The collection is noted anew, its header kept; b's digest is its new one.
  EXPECT_EQ(Query(db(), "select command, sequence, header_rows, row_count from dt_stored"),
            (Rows{{"collect", "2", "1", "5"}}));
  EXPECT_EQ(Query(db(), "select heading from dt_heading order by field"), (Rows{{"name"}, {"n"}}));
  EXPECT_EQ(Query(db(), "select count(distinct digest), count(*) from dt_document"),
            (Rows{{"3", "3"}}));

  // a is not named: it stays, and nothing is read; with --prune it goes.
  host_.opened.clear();
  ASSERT_TRUE(Append({b, c}).ok());
  EXPECT_TRUE(host_.opened.empty());
  EXPECT_EQ(CountsText(collected_.appended),
            "0 new, 0 changed, 2 unchanged, 1 kept though not named");
  EXPECT_EQ(Stored().size(), 5u);
  ASSERT_TRUE(Append({b, c}, true).ok());
  EXPECT_EQ(CountsText(collected_.appended), "0 new, 0 changed, 2 unchanged, 1 pruned");
  EXPECT_EQ(Stored(), (Rows{{"b.docx", "b2"}, {"b.docx", "b3"}, {"c.docx", "c1"}}));
  EXPECT_EQ(Query(db(), "select count(*) from dt_document where document = '" + a + "'"),
            (Rows{{"0"}}));
  EXPECT_EQ(collected_.held, 2u);

  // Documents stored before their digests were kept count as changed.
  Query(db(), "delete from dt_document");
  host_.opened.clear();
  ASSERT_TRUE(Append({b, c}).ok());
  EXPECT_EQ(CountsText(collected_.appended), "0 new, 2 changed, 0 unchanged");
  EXPECT_EQ(host_.opened.size(), 2u);
  EXPECT_EQ(Stored(), (Rows{{"b.docx", "b2"}, {"b.docx", "b3"}, {"c.docx", "c1"}}));
}

TEST_F(CollectAppendTest, AFailureOrARunSinceLeavesEverythingAsItWas) {
  const std::string a = Write("a.docx", {"a1", "a2"}), b = Write("b.docx", {"b1"});
  ASSERT_TRUE(Collect({a, b}).ok());
  const Rows before = Database();

  // A new document that cannot be read.
  folder_.Write("notes.docx", "plain text, not a document");
  Status status = Append({a, b, folder_ / "notes.docx"});
  EXPECT_EQ(status.number(), ErrorNumber::kUnsupportedFormat) << status.ToString();
  EXPECT_NE(status.description().find("1 of the 1 document cannot be collected"), std::string::npos)
      << status.ToString();
  EXPECT_EQ(Database(), before);

  // A changed document that fails when it is read again, after its old
  // rows left dt_origin and dt_table in the transaction.
  Write("b.docx", {"b2"});
  testing::CountingHost failing;
  failing.fail_open = 2;
  status = Append({a, b}, false, &failing);
  EXPECT_EQ(status.number(), ErrorNumber::kCorruptDocument) << status.ToString();
  EXPECT_EQ(Database(), before);
  EXPECT_FALSE(form_.cn->InTransaction());

  // Read otherwise than the stored documents were.
  controls_.check = 0;  // --first-row-data
  status = Append({a, b});
  EXPECT_EQ(status.number(), ErrorNumber::kReadingDiffers) << status.ToString();
  EXPECT_NE(status.description().find("\"--table 1\", these would be read with \"--table 1 "
                                      "--first-row-data\""),
            std::string::npos)
      << status.ToString();
  controls_.check = 1;

  // A run has stored dt_table since: its rows would be lost.
  ASSERT_TRUE(RunOn(a).ok());
  const Rows after_run = Database();
  status = Append({a, b});
  EXPECT_EQ(status.number(), ErrorNumber::kCollectionReplaced) << status.ToString();
  EXPECT_NE(status.description().find("Collect without --append"), std::string::npos);
  EXPECT_EQ(Database(), after_run);
}

}  // namespace
}  // namespace quillmere
