// A shared database reached through ODBC: PostgreSQL (the private server of
// scripts/test-postgres.sh) and SQLite through its ODBC driver. A folder's
// data.dsn moves the table into the server's dt_table; newdb makes dt_table
// there and never drops one; two runs at once leave one run's rows; and each
// fault of a server is numbered and leaves dt_table as it was.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "reliability/child.h"
#include "reliability/run_folder.h"
#include "support/postgres_server.h"
#include "support/zip_writer.h"

extern char** environ;

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::Rows;

// Table 1 of the sample as dt_table holds it after a run (its header row
// skipped): the first three columns.
const Rows kSampleRows = {{"widgeta", "第一季度", "120"},
                          {"widgeta", "第二季度", "135"},
                          {"小部件b", "第一季度", "88"},
                          {"小部件b", "第二季度", "97"},
                          {"合计total", "合计total", "440"}};

Rows Sorted(Rows rows) {
  std::sort(rows.begin(), rows.end());
  return rows;
}

// A database behind ODBC, which the tests fill and read without the code
// under test.
class SharedDatabase {
 public:
  virtual ~SharedDatabase() = default;
  virtual std::string ConnectionString() const = 0;
  virtual std::string FileDsn() const = 0;
  virtual Rows Sql(const std::string& sql) const = 0;
  virtual std::string password() const { return ""; }

  // dt_table as a new one of 64 columns, holding `rows` in its first three.
  void Reset(const Rows& rows) const {
    Sql("drop table if exists dt_table");
    Sql(CreateDtTable());
    for (const auto& row : rows) {
      Sql("insert into dt_table (field0, field1, field2) values ('" + row[0] + "', '" + row[1] +
          "', '" + row[2] + "')");
    }
  }
  Rows DtTable() const { return Sorted(Sql("select field0, field1, field2 from dt_table")); }

 protected:
  virtual std::string CreateDtTable() const = 0;
};

class Postgres : public SharedDatabase {
 public:
  explicit Postgres(const testing::PostgresServer& server) : server_(server) {}
  std::string ConnectionString() const override { return server_.ConnectionString(); }
  std::string FileDsn() const override { return server_.FileDsn(); }
  Rows Sql(const std::string& sql) const override { return server_.Psql(sql); }
  std::string password() const override { return server_.password(); }
  std::string CreateDtTable() const override { return ServerDtTableSchema(kDefaultColumns); }

 private:
  testing::PostgresServer server_;
};

class SqliteOverOdbc : public SharedDatabase {
 public:
  explicit SqliteOverOdbc(std::string path) : path_(std::move(path)) {
    if (!fs::exists(path_)) {
      EXPECT_TRUE(adodb::CreateDatabase(path_, "create table t (a)").ok());
    }
  }
  std::string ConnectionString() const override {
    return "Provider=MSDASQL;Driver=SQLite3;Database=" + path_;
  }
  std::string FileDsn() const override {
    return "[ODBC]\nDRIVER=SQLite3\nDATABASE=" + path_ + "\n";
  }
  Rows Sql(const std::string& sql) const override { return testing::Query(path_, sql); }
  std::string CreateDtTable() const override { return DtTableSchema(kDefaultColumns); }

 private:
  std::string path_;
};

// Runs the built program with `args`, its outputs into `out`; returns its pid.
pid_t Spawn(std::vector<std::string> args, const std::string& out) {
  args.insert(args.begin(), QUILLMERE_BINARY);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = -1;
  posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

int ExitCode(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class SharedDatabaseTest : public testing::RunFolder,
                           public ::testing::WithParamInterface<std::string> {
 protected:
  void SetUp() override {
    if (GetParam() == "PostgreSQL") {
      QM_REQUIRE_POSTGRES(postgres_);
      db_ = std::make_unique<Postgres>(*postgres_);
    } else {
      QM_REQUIRE_ODBC_DRIVER("SQLite3");
      db_ = std::make_unique<SqliteOverOdbc>(folder_ / "shared.db");
    }
    RunFolder::SetUp();
    db_->Reset(kBefore);
  }

  // No file of `dir` but data.dsn holds the password.
  void ExpectPasswordInNoFile(const std::string& dir) {
    if (db_->password().empty()) return;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
      if (entry.is_regular_file() && entry.path().filename() != "data.dsn") {
        EXPECT_EQ(testing::ReadFile(entry.path()).find(db_->password()), std::string::npos)
            << entry.path();
      }
    }
  }

  std::optional<testing::PostgresServer> postgres_;
  std::unique_ptr<SharedDatabase> db_;
};

INSTANTIATE_TEST_SUITE_P(Servers, SharedDatabaseTest, ::testing::Values("PostgreSQL", "SQLite"));

TEST_P(SharedDatabaseTest, DataDsnMovesTheTableIntoTheSharedDtTable) {
  folder_.Write("data.dsn", db_->FileDsn());
  for (int click = 0; click < 2; ++click) {  // the second reuses the connection
    Status status = Click();
    ASSERT_TRUE(status.ok()) << status.ToString();
    EXPECT_EQ(db_->DtTable(), Sorted(kSampleRows));
    EXPECT_EQ(DtTable(), kBefore) << "data.mdb is left alone";
  }
  // The run's recordset reads dt_table back as the data source holds it.
  Rows read(form_.rs->RecordCount());
  for (size_t r = 0; r < read.size(); ++r) {
    for (size_t f = 0; f < 3; ++f) read[r].push_back(unicode::ToUtf8(*form_.rs->Value(r, f)));
  }
  EXPECT_EQ(Sorted(read), Sorted(kSampleRows));
  EXPECT_FALSE(form_.cn->InTransaction());
  ExpectPasswordInNoFile(folder_.path());

  // Without data.dsn the folder's data.mdb takes the rows again.
  fs::remove(folder_ / "data.dsn");
  db_->Reset(kBefore);
  ASSERT_TRUE(Click().ok());
  EXPECT_EQ(DtTable(), kSampleRows);
  EXPECT_EQ(db_->DtTable(), Sorted(kBefore));
}

TEST_P(SharedDatabaseTest, NewdbMakesDtTableAndNeverDropsOne) {
  const std::string out = folder_ / "out.txt";
  EXPECT_EQ(ExitCode(Spawn({"newdb", "--connection", db_->ConnectionString()}, out)), 1);
  EXPECT_NE(testing::ReadFile(out).find("error 3015"), std::string::npos) << testing::ReadFile(out);
  EXPECT_EQ(db_->DtTable(), Sorted(kBefore));

  db_->Sql("drop table dt_table");
  db_->Sql("drop table if exists dt_origin");
  EXPECT_EQ(
      ExitCode(Spawn({"newdb", "--connection", db_->ConnectionString(), "--columns", "5"}, out)), 0)
      << testing::ReadFile(out);
  EXPECT_EQ(db_->Sql("select * from dt_table where 1=0").size(), 0u);
  EXPECT_EQ(db_->Sql("select document, table_number, table_row, field4 from dt_origin").size(), 0u);
  db_->Sql("insert into dt_table (field4) values ('" + std::string(200, 'x') + "')");
  EXPECT_THROW(db_->Sql("insert into dt_table (field4) values ('" + std::string(201, 'x') + "')"),
               std::runtime_error)
      << "a value is at most 200 characters";
  if (!db_->password().empty()) {
    EXPECT_EQ(testing::ReadFile(out).find(db_->password()), std::string::npos);
  }
}

// A collection into the server makes dt_origin there when it is missing and
// fills it with dt_table in one transaction; data.mdb is left alone.
TEST_P(SharedDatabaseTest, CollectFillsDtTableAndDtOriginOnTheServer) {
  db_->Sql("drop table if exists dt_origin");
  folder_.Write("data.dsn", db_->FileDsn());
  fs::copy_file(folder_ / "test.doc", folder_ / "copy.doc");
  Rows twice = kSampleRows, origins;
  twice.insert(twice.end(), kSampleRows.begin(), kSampleRows.end());
  for (const std::string& document : {folder_ / "copy.doc", folder_ / "test.doc"}) {
    for (size_t r = 0; r < kSampleRows.size(); ++r) {
      origins.push_back({document, "1", std::to_string(r + 2), kSampleRows[r][0]});
    }
  }
  const std::string out = folder_ / "out.txt";
  for (int collection = 0; collection < 2; ++collection) {  // the second replaces the first
    ASSERT_EQ(ExitCode(Spawn({"collect", folder_ / "test.doc", folder_ / "copy.doc", "--folder",
                              folder_.path()},
                             out)),
              0)
        << testing::ReadFile(out);
    EXPECT_EQ(db_->DtTable(), Sorted(twice));
    EXPECT_EQ(db_->Sql("select document, table_number, table_row, field0 from dt_origin order by "
                       "document, table_row"),
              origins);
  }
  EXPECT_EQ(DtTable(), kBefore) << "data.mdb is left alone";
  ExpectPasswordInNoFile(folder_.path());

  // The export names the columns by the sample's header, which the
  // collection noted on the server beside the rows.
  ASSERT_EQ(ExitCode(Spawn({"export", folder_ / "out.csv", "--folder", folder_.path()}, out)), 0)
      << testing::ReadFile(out);
  const std::string csv = testing::ReadFile(folder_ / "out.csv");
  EXPECT_EQ(csv.substr(0, csv.find("\r\n")), "\xEF\xBB\xBF产品,季度,销量,备注");
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 11);
}

// collect --append on the server: the documents' digests kept there, a
// changed document's rows taken out of dt_origin and dt_table (filled anew
// from dt_origin) in the transaction, a dt_stored of before given its
// column, and an append refused once a run has stored dt_table.
TEST_P(SharedDatabaseTest, CollectAppendsOnTheServer) {
  for (const char* table : {"dt_origin", "dt_document", "dt_heading", "dt_stored"}) {
    db_->Sql(std::string("drop table if exists ") + table);
  }
  db_->Sql(
      "create table dt_stored (stored_table varchar(64), command varchar(16), sequence integer, "
      "header_rows integer, row_count integer, digest varchar(16))");
  folder_.Write("data.dsn", db_->FileDsn());
  auto write = [&](const char* name, int rows) {
    ASSERT_TRUE(document::testing::WriteDocx(
        folder_ / name, document::testing::DocumentXml(document::testing::TableXml(rows, 3))));
  };
  write("a.docx", 3);
  const std::string out = folder_ / "out.txt";
  auto collect = [&](std::vector<std::string> documents, bool append) {
    documents.insert(documents.end(), {"--folder", folder_.path()});
    if (append) documents.push_back("--append");
    documents.insert(documents.begin(), "collect");
    return ExitCode(Spawn(documents, out));
  };
  ASSERT_EQ(collect({folder_ / "test.doc", folder_ / "a.docx"}, false), 0)
      << testing::ReadFile(out);

  write("a.docx", 5);
  fs::copy_file(folder_ / "test.doc", folder_ / "copy.doc");
  ASSERT_EQ(collect({folder_ / "test.doc", folder_ / "a.docx", folder_ / "copy.doc"}, true), 0)
      << testing::ReadFile(out);
  EXPECT_NE(testing::ReadFile(out).find("(1 new, 1 changed, 1 unchanged)"), std::string::npos)
      << testing::ReadFile(out);
  EXPECT_EQ(
      db_->Sql("select document, count(*) from dt_origin group by document order by document"),
      (Rows{{folder_ / "a.docx", "4"}, {folder_ / "copy.doc", "5"}, {folder_ / "test.doc", "5"}}));
  EXPECT_EQ(db_->DtTable(), Sorted(db_->Sql("select field0, field1, field2 from dt_origin")));
  EXPECT_EQ(db_->Sql("select count(*), count(distinct digest) from dt_document"),
            (Rows{{"3", "2"}}));
  EXPECT_EQ(db_->Sql("select row_count from dt_stored where dt_table_digest = digest"),
            (Rows{{"14"}}))
      << "a dt_stored of before gets the column";

  // A run since: its rows would be lost.
  ASSERT_TRUE(Click().ok());
  const Rows run = db_->DtTable();
  EXPECT_EQ(collect({folder_ / "a.docx"}, true), 1);
  EXPECT_NE(testing::ReadFile(out).find("error 3017"), std::string::npos) << testing::ReadFile(out);
  EXPECT_EQ(db_->DtTable(), run);
  EXPECT_EQ(db_->Sql("select count(*) from dt_origin"), (Rows{{"14"}}));
}

// An export reads the server's table a batch of rows at a time (on
// PostgreSQL through a cursor of its own), never the whole table at once,
// and writes every row in the order the server gives them.
TEST_P(SharedDatabaseTest, ExportWritesEveryRowOfTheSharedTable) {
  db_->Sql("delete from dt_table");
  db_->Sql(
      "with recursive n(i) as (select 1 union all select i + 1 from n where i < 2500) "
      "insert into dt_table (field0, field1, field2) select 'r' || i, i, '0' || i from n");
  std::string expected =
      "\xEF\xBB\xBF"
      "field0,field1,field2\r\n";
  for (int i = 1; i <= 2500; ++i) {
    expected +=
        "r" + std::to_string(i) + "," + std::to_string(i) + ",0" + std::to_string(i) + "\r\n";
  }
  const std::string out = folder_ / "out.txt";
  ASSERT_EQ(ExitCode(Spawn({"export", folder_ / "table.csv", "--table", "dt_table", "--folder",
                            folder_.path(), "--connection", db_->ConnectionString()},
                           out)),
            0)
      << testing::ReadFile(out);
  const std::string csv = testing::ReadFile(folder_ / "table.csv");
  EXPECT_TRUE(csv == expected) << csv.substr(0, 100) << " ... " << csv.size() << " bytes";
  EXPECT_NE(testing::ReadFile(out).find("2500 rows written"), std::string::npos);
  ExpectPasswordInNoFile(folder_.path());
}

// Two runs started while another connection holds dt_table: when it lets go
// they race, and the one that comes second waits for the first to end.
TEST_P(SharedDatabaseTest, TwoRunsAtOnceLeaveOneRunsRows) {
  Rows tables[2];
  std::string markup[2];
  for (int run = 0; run < 2; ++run) {
    fs::create_directory(folder_ / ("run" + std::to_string(run)));
    markup[run] = "<table>";
    for (int r = 0; r < 300; ++r) {
      const std::string a = "run" + std::to_string(run), b = std::to_string(r);
      markup[run] += "<tr><td>" + a + "</td><td>" + b + "</td><td>x</td><td>y</td></tr>";
      tables[run].push_back({a, b, "x"});
    }
    folder_.Write("run" + std::to_string(run) + "/markup.html", markup[run] + "</table>");
  }
  adodb::Connection holder;
  ASSERT_TRUE(holder.Open(unicode::FromUtf8(db_->ConnectionString()), u"", u"", -1).ok());
  ASSERT_TRUE(holder.BeginTrans().ok());
  ASSERT_TRUE(holder.LockTable(u"dt_table").ok());
  pid_t runs[2];
  for (int run = 0; run < 2; ++run) {
    const std::string dir = folder_ / ("run" + std::to_string(run));
    runs[run] = Spawn({"convert", dir + "/markup.html", "--folder", dir, "--utf8",
                       "--first-row-data", "--connection", db_->ConnectionString()},
                      dir + "/out.txt");
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  ASSERT_TRUE(holder.RollbackTrans().ok());
  for (int run = 0; run < 2; ++run) {
    const std::string out = folder_ / ("run" + std::to_string(run) + "/out.txt");
    EXPECT_EQ(ExitCode(runs[run]), 0) << testing::ReadFile(out);
  }
  const Rows rows = db_->DtTable();
  EXPECT_TRUE(rows == Sorted(tables[0]) || rows == Sorted(tables[1]))
      << rows.size() << " rows, the first " << rows.front()[0];
  ExpectPasswordInNoFile(folder_.path());
}

// A Progress that stops the server when the second pass reaches row 4: the
// header skipped, two rows are in dt_table by then.
class StopServerMidRun : public SilentProgress {
 public:
  explicit StopServerMidRun(const testing::PostgresServer* server) : server_(server) {}
  void ShowStatus(std::u16string_view text) override {
    if (server_ != nullptr && text == u"4" && ++fours_ == 2) server_->Stop();
  }

 private:
  const testing::PostgresServer* server_;
  int fours_ = 0;
};

class ServerFaultTest : public testing::RunFolder {
 protected:
  void SetUp() override {
    QM_REQUIRE_POSTGRES(postgres_);
    RunFolder::SetUp();
  }
  std::optional<testing::PostgresServer> postgres_;
};

TEST_F(ServerFaultTest, EachFaultIsNumberedAndLeavesDtTableAsItWas) {
  struct Fault {
    const char* name;
    std::string database;
    std::string password;  // empty: the right one
    bool stop_mid_run;
    bool refused;  // the connection string names a server that is not there
    ErrorNumber number;
    const char* words;
  };
  const Fault faults[] = {
      {"server stopped mid-run", "quillmere", "", true, false, ErrorNumber::kConnectionLost,
       "was lost"},
      {"connection refused", "quillmere", "", false, true, ErrorNumber::kServerUnreachable,
       "Cannot reach the database server"},
      {"wrong password", "quillmere", "not-the-password", false, false, ErrorNumber::kLoginRefused,
       "refused the user name or the password"},
      {"dt_table missing", "nodt", "", false, false, ErrorNumber::kNoSuchTable,
       "relation \"dt_table\" does not exist"},
      {"value too long", "narrow", "", false, false, ErrorNumber::kValueTooLong,
       "longer than its column takes"},
  };
  Postgres db(*postgres_);
  for (const char* made : {"nodt", "narrow"}) {
    postgres_->Psql("drop database if exists " + std::string(made), "postgres");
    postgres_->Psql("create database " + std::string(made), "postgres");
  }
  postgres_->Psql(
      "create table dt_table (field0 varchar(10), field1 varchar(10), "
      "field2 varchar(10), field3 varchar(10), field4 varchar(10))",
      "narrow");
  auto narrow_rows = [&] {
    return Sorted(
        postgres_->Psql("select field0, field1, field2 from "
                        "dt_table",
                        "narrow"));
  };
  postgres_->Psql("insert into dt_table values ('earlier', 'run', '1', '', '')", "narrow");

  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.name);
    db.Reset(kBefore);
    std::string connection = postgres_->ConnectionString(fault.database, fault.password);
    if (fault.refused) connection.replace(connection.find("Server="), 7, "Server=/nowhere");
    FormState form;
    form.strConnection = unicode::FromUtf8(connection);
    StopServerMidRun progress(fault.stop_mid_run ? &*postgres_ : nullptr);
    StartContext window{folder_.u16(), server_, controls_, form, browser_, progress, disk_};
    const Status status = Command1_Click(window);
    if (fault.stop_mid_run) postgres_->Start();

    EXPECT_EQ(status.number(), fault.number) << status.ToString();
    EXPECT_NE(status.description().find(fault.words), std::string::npos) << status.ToString();
    for (const std::string& secret : {postgres_->password(), fault.password}) {
      if (!secret.empty()) {
        EXPECT_EQ(status.description().find(secret), std::string::npos);
      }
    }
    EXPECT_EQ(db.DtTable(), Sorted(kBefore));
    EXPECT_EQ(narrow_rows(), (Rows{{"earlier", "run", "1"}}));
    EXPECT_FALSE(Has("cc.html"));
    if (fault.stop_mid_run) {
      // The window's next run connects anew.
      EXPECT_FALSE(form.cn->StillServes());
      Status again = Command1_Click(window);
      EXPECT_TRUE(again.ok()) << again.ToString();
      EXPECT_EQ(db.DtTable(), Sorted(kSampleRows));
      fs::remove(folder_ / "cc.html");
    }
  }
  EXPECT_EQ(DtTable(), kBefore) << "data.mdb is left alone";
}

}  // namespace
}  // namespace quillmere
