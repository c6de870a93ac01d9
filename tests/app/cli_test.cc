// The command line (quillmere run, collect, forms, convert and newdb), run as
// the user runs it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>

#include "platform/encoding/codepage.h"
#include "support/fixtures.h"
#include "support/temp_folder.h"

extern char** environ;

namespace quillmere {
namespace {

using testing::Query;
using testing::TempFolder;
using Rows = std::vector<std::vector<std::string>>;

struct Outcome {
  int exit_code = -1;
  std::string out, err;
};

// The environment with the locale set to `lang` alone, or as it is when
// `lang` is empty.
std::vector<std::string> EnvironmentIn(const std::string& lang) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string variable = *e;
    const std::string name = variable.substr(0, variable.find('='));
    if (lang.empty() || (name != "LANG" && name != "LANGUAGE" && name.rfind("LC_", 0) != 0)) {
      env.push_back(variable);
    }
  }
  if (!lang.empty()) env.push_back("LANG=" + lang);
  return env;
}

// Runs the built program (or `program`) with `args` in `folder`, in the
// locale `lang` (empty: the test's own), capturing both outputs.
Outcome Quillmere(const TempFolder& folder, std::vector<std::string> args,
                  const std::string& lang = "C", const std::string& program = QUILLMERE_BINARY) {
  args.insert(args.begin(), program);
  std::vector<std::string> variables = EnvironmentIn(lang);
  std::vector<char*> envp;
  for (auto& v : variables) envp.push_back(v.data());
  envp.push_back(nullptr);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const std::string out = folder / ".stdout", err = folder / ".stderr";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, folder.path().c_str());
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  Outcome outcome;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    outcome.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  outcome.out = folder.Read(".stdout");
  outcome.err = folder.Read(".stderr");
  return outcome;
}

std::string Cp936(std::u16string_view text) {
  return codepage::EncodeCp936(text, codepage::Unencodable::kQuestionMark);
}

// A header row and two data rows, the first data cell spanning both rows.
constexpr char16_t kTable[] =
    u"border=1>\r\n<TR>\r\n<TD>名称</TD>\r\n<TD>数量</TD>\r\n</TR>\r\n"
    u"<TR>\r\n<TD rowspan=2>苹果</TD>\r\n<TD>12</TD>\r\n</TR>\r\n"
    u"<TR>\r\n<TD>7</TD>\r\n</TR>\r\n</TABLE>\r\n";

// Help asked for goes to standard output with exit 0, for the program and
// for each command; a misuse to standard error with exit 2.
TEST(UsageTest, HelpIsPrintedAndWhatTheProgramDoesNotKnowIsAMisuse) {
  TempFolder folder;
  folder.Write("page.html", "<table ><tr><td>x</td></tr></table>");
  for (std::vector<std::string> args :
       std::vector<std::vector<std::string>>{{"--help"},
                                             {"-h"},
                                             {"run", "--help"},
                                             {"collect", "-h"},
                                             {"convert", "--help"},
                                             {"newdb", "-h"},
                                             {"import-access", "--help"}}) {
    SCOPED_TRACE(args.size() > 1 ? args[0] + " " + args[1] : args[0]);
    Outcome outcome = Quillmere(folder, args);
    EXPECT_EQ(outcome.exit_code, 0);
    EXPECT_EQ(outcome.out.rfind("usage: quillmere", 0), 0u) << outcome.out;
    EXPECT_EQ(outcome.err, "");
  }
  std::vector<std::vector<std::string>> misuses = {{"page.html"}, {"bogus", "x"}};
#if !QUILLMERE_GUI
  misuses.push_back({});  // without a window to open
#endif
  for (const auto& args : misuses) {
    SCOPED_TRACE(args.empty() ? "(none)" : args[0]);
    Outcome outcome = Quillmere(folder, args);
    EXPECT_EQ(outcome.exit_code, 2);
    EXPECT_EQ(outcome.out, "");
    for (const char* command : {"run [DIR | DOCUMENT]", "convert MARKUP_FILE",
                                "export FILE.xlsx|FILE.csv", "newdb [FOLDER]"}) {
      EXPECT_NE(outcome.err.find(command), std::string::npos) << outcome.err;
    }
  }
  EXPECT_NE(Quillmere(folder, {"bogus"}).err.find("\"bogus\""), std::string::npos);
  EXPECT_FALSE(folder.Has("data.mdb"));
}

#if QUILLMERE_GUI
// Without a display the window's program says so, numbered, in the user's
// language, and names the command line, rather than ending on SIGABRT; the
// offscreen platform needs none.
TEST(WindowWithoutDisplayTest, SaysSoAndNamesTheCommandLine) {
  TempFolder folder;
  const std::vector<std::string> no_display = {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY"};
  const std::string window =
      std::filesystem::path(QUILLMERE_BINARY).parent_path() / "quillmere-window";
  struct Case {
    std::vector<std::string> settings;
    std::string program, lang, says;
  };
  for (const Case& c : std::vector<Case>{
           {{"-u", "QT_QPA_PLATFORM"}, QUILLMERE_BINARY, "C", "command line works without one"},
           {{"-u", "QT_QPA_PLATFORM"}, QUILLMERE_BINARY, "zh_CN.UTF-8", "命令行"},
           {{"QT_QPA_PLATFORM=xcb"}, window, "C", "QT_QPA_PLATFORM is \"xcb\""},
           {{"QT_QPA_PLATFORM=wayland;xcb"}, window, "C", "DISPLAY is not set"},
       }) {
    SCOPED_TRACE(c.settings[0] + " " + c.lang);
    std::vector<std::string> args = no_display;
    args.insert(args.end(), c.settings.begin(), c.settings.end());
    args.push_back(c.program);
    Outcome outcome = Quillmere(folder, args, c.lang, "/usr/bin/env");
    EXPECT_EQ(outcome.exit_code, 1);
    EXPECT_NE(outcome.err.find("5001"), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find(c.says), std::string::npos) << outcome.err;
  }
}
#endif

// "--" ends the options; an option without its value says what it needs.
TEST(UsageTest, DoubleDashEndsTheOptionsAndAnOptionNeedsItsValue) {
  TempFolder folder;
  ASSERT_EQ(Quillmere(folder, {"newdb"}).exit_code, 0);
  folder.Write("-h", Cp936(kTable));  // a markup file whose name looks like an option
  Outcome converted = Quillmere(folder, {"convert", "--", "-h"});
  EXPECT_EQ(converted.exit_code, 0) << converted.err;
  EXPECT_EQ(Query(folder / "data.mdb", "select count(*) from dt_table"), (Rows{{"2"}}));
  for (const char* option : {"--folder", "--table", "--connection"}) {
    Outcome missing = Quillmere(folder, {"collect", "x.doc", option});
    EXPECT_EQ(missing.exit_code, 2);
    EXPECT_EQ(missing.err.rfind(std::string("quillmere: ") + option + " needs a value.", 0), 0u)
        << missing.err;
  }
}

TEST(NewdbCommandTest, CreatesDtTableWithLimitedColumnsAndNeverOverwrites) {
  TempFolder folder;
  Outcome made = Quillmere(folder, {"newdb", "--columns", "3"});
  ASSERT_EQ(made.exit_code, 0) << made.err;
  const std::string db = folder / "data.mdb";
  EXPECT_EQ(Query(db, "select name from pragma_table_info('dt_table')"),
            (Rows{{"field0"}, {"field1"}, {"field2"}}));
  Query(db, "insert into dt_table (field2) values ('" + std::string(200, 'x') + "')");
  EXPECT_THROW(Query(db, "insert into dt_table (field0) values ('" + std::string(201, 'x') + "')"),
               std::runtime_error);

  Outcome again = Quillmere(folder, {"newdb"});
  EXPECT_EQ(again.exit_code, 1);
  EXPECT_EQ(again.err.rfind("error 1006: ", 0), 0u) << again.err;
  EXPECT_EQ(Query(db, "select count(*) from dt_table"), (Rows{{"1"}}));
}

// A folder that is not there is named as such, not as a file that could
// not be made in it.
TEST(NewdbCommandTest, AFolderThatIsNotThereIsSaidToBeMissing) {
  TempFolder folder;
  folder.Write("old.mdb", "not an Access file");
  for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
           {"newdb", "missing/folder"}, {"import-access", "old.mdb", "missing/folder"}}) {
    SCOPED_TRACE(args[0]);
    Outcome outcome = Quillmere(folder, args);
    EXPECT_EQ(outcome.exit_code, 1);
    EXPECT_EQ(outcome.err,
              "error 1001: The folder \"" + folder / "missing/folder" + "\" does not exist.\n");
  }
  EXPECT_FALSE(folder.Has("missing"));
}

TEST(NewdbCommandTest, MakesSixtyFourColumnsByDefaultInTheFolderNamed) {
  TempFolder folder;
  std::filesystem::create_directory(folder / "sub");
  ASSERT_EQ(Quillmere(folder, {"newdb", "sub"}).exit_code, 0);
  EXPECT_EQ(Query(folder / "sub/data.mdb", "select count(*) from pragma_table_info('dt_table')"),
            (Rows{{"64"}}));
  EXPECT_EQ(Quillmere(folder, {"newdb", "--columns", "0"}).exit_code, 2);
  EXPECT_EQ(Quillmere(folder, {"newdb", "a", "b"}).exit_code, 2);
  EXPECT_FALSE(folder.Has("data.mdb"));
}

// The Access files of the fixtures: Jet 3 (tables Table1 to Table4) and Jet 4
// (users).
TEST(ImportAccessCommandTest, BringsATableOfJet3AndJet4FilesIntoANewDataMdb) {
  QM_REQUIRE_FIXTURE("access/testV1997.mdb");
  QM_REQUIRE_FIXTURE("access/fixedTextTestV2003.mdb");
  const std::string jet3 = ::quillmere::testing::FixturePath("access/testV1997.mdb");
  const std::string jet4 = ::quillmere::testing::FixturePath("access/fixedTextTestV2003.mdb");
  TempFolder folder;
  Outcome no_table = Quillmere(folder, {"import-access", jet3});
  EXPECT_EQ(no_table.exit_code, 1);
  EXPECT_NE(no_table.err.find("error 3016: "), std::string::npos) << no_table.err;
  EXPECT_NE(no_table.err.find("Table1, Table2, Table3, Table4"), std::string::npos);
  EXPECT_FALSE(folder.Has("data.mdb")) << "a failed import leaves no data.mdb";

  Outcome jet3_made = Quillmere(folder, {"import-access", jet3, "--table", "Table1"});
  ASSERT_EQ(jet3_made.exit_code, 0) << jet3_made.err;
  const std::string db = folder / "data.mdb";
  EXPECT_EQ(Query(db, "select count(*) from pragma_table_info('dt_table')"), (Rows{{"9"}}));
  EXPECT_EQ(Query(db, "select field0, field1, field3, field6, field8 from dt_table order by rowid"),
            (Rows{{"a", "b", "0", "1981-12-12 00:00:00", "0"},
                  {"abcdefg", "hijklmnop", "222", "1974-09-21 00:00:00", "1"}}));

  Outcome again = Quillmere(folder, {"import-access", jet4, "--table", "users"});
  EXPECT_EQ(again.exit_code, 1);
  EXPECT_EQ(again.err.rfind("error 1006: ", 0), 0u) << again.err;
  EXPECT_EQ(Query(db, "select count(*) from dt_table"), (Rows{{"2"}}));

  std::filesystem::create_directory(folder / "jet4");
  ASSERT_EQ(Quillmere(folder, {"import-access", jet4, "jet4", "--table", "users"}).exit_code, 0);
  EXPECT_EQ(Query(folder / "jet4/data.mdb", "select field1, field4 from dt_table order by rowid"),
            (Rows{{"CORE USER", "Core User"}, {"admin", "Admin User"}}));

  // An Access file standing as data.mdb: the run names the command.
  std::filesystem::create_directory(folder / "old");
  std::filesystem::copy_file(jet4, folder / "old/data.mdb");
  folder.Write("markup.html", "<table><tr><td>x</td></tr></table>");
  Outcome run = Quillmere(folder, {"convert", "markup.html", "--folder", "old"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.err.find("quillmere import-access"), std::string::npos) << run.err;
}

class ConvertCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Quillmere(folder_, {"newdb", "--columns", "2"}).exit_code, 0);
    folder_.Write("tabletest.html", Cp936(kTable));
  }
  Rows Table() const {
    return Query(folder_ / "data.mdb", "select field0, field1 from dt_table order by rowid");
  }
  TempFolder folder_;
};

TEST_F(ConvertCommandTest, RepeatsARunFromTabletestHtml) {
  Outcome run = Quillmere(folder_, {"convert", "tabletest.html"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_NE(run.out.find("2 rows"), std::string::npos) << run.out;
  EXPECT_EQ(Table(), (Rows{{"苹果", "12"}, {"苹果", "7"}}));
  EXPECT_EQ(folder_.Read("cc.html"),
            Cp936(u"<table border=1> \r\n<tr><td>苹果</td><td>12</td></td>"
                  u"\r\n<tr><td>苹果</td><td>7</td></td></tr></table>"
                  u"\r\n<br>insert into dt_table (field0,field1) values('苹果','12')"
                  u"\r\n<br>insert into dt_table (field0,field1) values('苹果','7')\r\n"));
}

TEST_F(ConvertCommandTest, TakesUtf8TheFirstRowAsDataAndAnotherFolder) {
  std::filesystem::create_directory(folder_ / "out");
  ASSERT_EQ(Quillmere(folder_, {"newdb", "out", "--columns", "2"}).exit_code, 0);
  folder_.Write("table.html", "\xEF\xBB\xBF" + unicode::ToUtf8(kTable));
  Outcome run = Quillmere(
      folder_, {"convert", "table.html", "--utf8", "--first-row-data", "--folder", "out"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(Query(folder_ / "out/data.mdb", "select field0, field1 from dt_table"),
            (Rows{{"名称", "数量"}, {"苹果", "12"}, {"苹果", "7"}}));
  EXPECT_TRUE(folder_.Has("out/cc.html"));
  EXPECT_FALSE(folder_.Has("cc.html"));
}

TEST_F(ConvertCommandTest, AByteOrderMarkMeansUtf8AndABadByteStopsTheRunNamingItsOffset) {
  folder_.Write("marked.html", "\xEF\xBB\xBF" + unicode::ToUtf8(kTable));
  Outcome marked = Quillmere(folder_, {"convert", "marked.html"});
  ASSERT_EQ(marked.exit_code, 0) << marked.err;
  EXPECT_EQ(Table(), (Rows{{"苹果", "12"}, {"苹果", "7"}}));

  // A byte code page 936 has no character for, then the same file as UTF-8,
  // whose first invalid byte is the first of "名称" in code page 936.
  const std::string bad = "border=1>\xFF" + Cp936(kTable).substr(9);
  folder_.Write("bad.html", bad);
  Outcome cp936 = Quillmere(folder_, {"convert", "bad.html", "--first-row-data"});
  EXPECT_EQ(cp936.exit_code, 1);
  EXPECT_EQ(cp936.err.rfind("error 1008: ", 0), 0u) << cp936.err;
  EXPECT_NE(cp936.err.find("offset 9 (0xFF)"), std::string::npos) << cp936.err;
  Outcome utf8 = Quillmere(folder_, {"convert", "bad.html", "--utf8", "--first-row-data"});
  EXPECT_EQ(utf8.exit_code, 1);
  EXPECT_NE(utf8.err.find("offset 9 (0xFF)"), std::string::npos) << utf8.err;
  folder_.Write("bad.html", Cp936(kTable));
  utf8 = Quillmere(folder_, {"convert", "bad.html", "--utf8"});
  EXPECT_NE(utf8.err.find("UTF-8 text: the byte at offset " +
                          std::to_string(Cp936(kTable).find(Cp936(u"名"))) + " (0xC3)"),
            std::string::npos)
      << utf8.err;
  EXPECT_EQ(Table(), (Rows{{"苹果", "12"}, {"苹果", "7"}})) << "dt_table as it was";
}

// UTF-16 with its byte-order mark, either way round, reads as the same text
// in UTF-8 does; markup whose lines end in LF alone as with CR LF.
TEST_F(ConvertCommandTest, Utf16AndLineFeedsAloneReadAsTheirUtf8CrLfTwin) {
  auto utf16 = [](std::u16string_view text, bool big_endian) {
    std::string bytes = big_endian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t unit : text) {
      const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
      bytes += big_endian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
  };
  const std::u16string multi_line =
      u"border=1>\r\n<TR>\r\n<TD>名称\r\n1</TD>\r\n<TD>b</TD>\r\n</TR>\r\n"
      u"<TR>\r\n<TD>苹果\r\nmore</TD>\r\n<TD>\U0001F600</TD>\r\n</TR>";
  std::u16string line_feeds = multi_line;
  for (size_t at; (at = line_feeds.find(u"\r\n")) != std::u16string::npos;) line_feeds.erase(at, 1);
  folder_.Write("twin.html", unicode::ToUtf8(multi_line));
  ASSERT_EQ(Quillmere(folder_, {"convert", "twin.html", "--utf8", "--first-row-data"}).exit_code,
            0);
  const Rows rows = Table();
  const std::string page = folder_.Read("cc.html");
  ASSERT_EQ(rows, (Rows{{"名称1", "b"}, {"苹果more", "\U0001F600"}}));
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {utf16(multi_line, false), {}},
      {utf16(multi_line, true), {}},
      {unicode::ToUtf8(line_feeds), {"--utf8"}},
      {"\xEF\xBB\xBF" + unicode::ToUtf8(line_feeds), {}},
      {utf16(line_feeds, false) + std::string(1, '\0'), {}},  // a byte left over at the end
  };
  for (size_t c = 0; c < cases.size(); ++c) {
    SCOPED_TRACE(c);
    folder_.Write("page.html", cases[c].first);
    std::vector<std::string> args = {"convert", "page.html", "--first-row-data"};
    args.insert(args.end(), cases[c].second.begin(), cases[c].second.end());
    Outcome run = Quillmere(folder_, args);
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(Table(), rows);
    EXPECT_EQ(folder_.Read("cc.html"), page);
  }
  // A surrogate that is half of no pair is no character.
  folder_.Write("bad.html", utf16(u"border=1>\xD800<TR><TD>x</TD>", false));
  Outcome bad = Quillmere(folder_, {"convert", "bad.html"});
  EXPECT_EQ(bad.exit_code, 1);
  EXPECT_NE(bad.err.find("is not UTF-16 text: the bytes at offset 20 (0x00 ...)"),
            std::string::npos)
      << bad.err;
  EXPECT_EQ(Table(), rows) << "dt_table as it was";
}

TEST_F(ConvertCommandTest, ShowsTheStatusTextsOnStandardErrorAsItGoes) {
  Outcome run = Quillmere(folder_, {"convert", "tabletest.html", "--progress"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.err, "1\n2\n3\n1\n2\n3\n数据库存在形式与CC.html显示的效果类似\n");
}

TEST_F(ConvertCommandTest, AFailurePrintsItsNumberAndLeavesDtTableAsItWas) {
  ASSERT_EQ(Quillmere(folder_, {"convert", "tabletest.html"}).exit_code, 0);
  // Three columns do not fit a two-column dt_table; the second row fails.
  folder_.Write("wide.html", Cp936(u"border=1>\r\n<TR>\r\n<TD>a</TD>\r\n<TD>b</TD>\r\n"
                                   u"<TD>c</TD>\r\n</TR>\r\n</TABLE>\r\n"));
  Outcome run = Quillmere(folder_, {"convert", "wide.html", "--first-row-data"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.err.rfind("error 3011: ", 0), 0u) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(Table(), (Rows{{"苹果", "12"}, {"苹果", "7"}}));
}

TEST_F(ConvertCommandTest, SaysWhyWhenThereIsNoDatabaseOrNoFile) {
  Outcome no_db = Quillmere(folder_, {"convert", "tabletest.html", "--folder", "/nonexistent"});
  EXPECT_EQ(no_db.exit_code, 1);
  EXPECT_EQ(no_db.err.rfind("error 3002: The database \"/nonexistent/data.mdb\" does not exist", 0),
            0u)
      << no_db.err;
  Outcome no_file = Quillmere(folder_, {"convert", "missing.html"});
  EXPECT_EQ(no_file.exit_code, 1);
  EXPECT_EQ(no_file.err.rfind("error 1001: ", 0), 0u) << no_file.err;
  EXPECT_EQ(Quillmere(folder_, {"convert"}).exit_code, 2);
  EXPECT_EQ(Quillmere(folder_, {"convert", "a.html", "--bogus"}).exit_code, 2);
}

// The command line speaks the locale's language, says what to do next and
// which folder it used; the same three failures in English and in Chinese.
TEST(MessagesTest, FailuresSpeakTheLocalesLanguageAndSayWhatToDo) {
  TempFolder folder;
  folder.Write("report.docx", "a document under another name");
  folder.Write("wide.html", "border=1>\r\n<tr>\r\n<td>a</td>\r\n<td>b</td>\r\n<td>c</td>\r\n</tr>");
  std::filesystem::create_directory(folder / "narrow");
  ASSERT_EQ(Quillmere(folder, {"newdb", "narrow", "--columns", "2"}).exit_code, 0);
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> english, chinese;
  };
  const std::string dir = folder.path();
  for (const Case& c : std::vector<Case>{
           {{"run", dir},
            {"error 1001: There is no test.doc in \"" + dir + "\"", "report.docx: rename",
             "worked in the folder " + dir + "."},
            {"错误 1001：“" + dir + "”中没有 test.doc", "report.docx：请把",
             "使用的文件夹：" + dir}},
           {{"convert", "wide.html"},
            {"error 3002: The database \"" + dir +
                 "/data.mdb\" does not exist. Make one: "
                 "quillmere newdb " +
                 dir + "\n",
             "worked in the current folder " + dir + "; give another: --folder DIR"},
            {"错误 3002：数据库“" + dir + "/data.mdb”不存在。新建一个：quillmere newdb " + dir,
             "使用的是当前文件夹 " + dir}},
           {{"convert", "wide.html", "--folder", "narrow", "--first-row-data"},
            {"error 3011: The table has 3 columns, but dt_table in \"" + dir +
             "/narrow/data.mdb\" has 2. Move data.mdb away, then make a new one: quillmere "
             "newdb " +
             dir + "/narrow --columns 3\n"},
            {"错误 3011：表格有 3 列，但“" + dir +
             "/narrow/data.mdb”中的 dt_table 只有 2 列。请先把 "
             "data.mdb 移走，再新建一个：quillmere newdb " +
             dir + "/narrow --columns 3"}}}) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    for (const auto& [lang, says] :
         {std::pair{"C", c.english}, std::pair{"zh_CN.UTF-8", c.chinese}}) {
      Outcome outcome = Quillmere(folder, c.args, lang);
      EXPECT_EQ(outcome.exit_code, 1);
      for (const std::string& words : says) {
        EXPECT_NE(outcome.err.find(words), std::string::npos) << words << " in\n" << outcome.err;
      }
    }
  }
  EXPECT_FALSE(folder.Has("data.mdb"));
}

// Without a folder, run works in the program's folder, and says so when it
// finds no test.doc there.
// A count of one is said in the singular, in each language's own forms.
TEST(MessagesTest, CountsTakeTheFormsOfTheirLanguage) {
  TempFolder folder;
  ASSERT_EQ(Quillmere(folder, {"newdb"}).exit_code, 0);
  folder.Write("one.html",
               "border=1>\r\n<TR>\r\n<TD>h</TD>\r\n</TR>\r\n<TR>\r\n<TD>x</TD>\r\n</TR>\r\n");
  Outcome english = Quillmere(folder, {"convert", "one.html"});
  EXPECT_NE(english.out.find("holds 1 row; preview: "), std::string::npos) << english.out;
  Outcome chinese = Quillmere(folder, {"convert", "one.html"}, "zh_CN.UTF-8");
  EXPECT_NE(chinese.out.find("现有 1 行；预览："), std::string::npos) << chinese.out;
  Outcome two = Quillmere(folder, {"convert", "one.html", "--first-row-data"});
  EXPECT_NE(two.out.find("holds 2 rows; preview: "), std::string::npos) << two.out;
}

TEST(MessagesTest, RunWithoutAFolderNamesTheProgramsFolder) {
  TempFolder folder;
  std::filesystem::copy_file(QUILLMERE_BINARY, folder / "quillmere");
  std::filesystem::permissions(folder / "quillmere", std::filesystem::perms::owner_all);
  Outcome outcome = Quillmere(folder, {"run"}, "C", folder / "quillmere");
  EXPECT_EQ(outcome.exit_code, 1);
  EXPECT_EQ(outcome.err, "error 1001: no test.doc in the program's folder " + folder.path() +
                             "; give the folder: quillmere run FOLDER\n");
}

// quillmere run on a .docx saved as test.doc (the document is recognised by
// its content, not its name).
class RunCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ifstream in(QUILLMERE_SOURCE_DIR "/tests/document/data/merged-cells.docx",
                     std::ios::binary);
    folder_.Write("test.doc", std::string(std::istreambuf_iterator<char>(in), {}));
    ASSERT_EQ(Quillmere(folder_, {"newdb", "--columns", "4"}).exit_code, 0);
    Query(folder_ / "data.mdb", "insert into dt_table (field0) values ('before')");
  }
  Rows Table() const {
    return Query(folder_ / "data.mdb",
                 "select field0, field1, field2 from dt_table order by rowid");
  }
  TempFolder folder_;
};

TEST_F(RunCommandTest, DoesWhatTheStartButtonDoes) {
  Outcome run = Quillmere(folder_, {"run", folder_.path(), "--first-row-data", "--progress"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(Table(), (Rows{{"name", "name", "age"},
                           {"a", "b", "30"},
                           {"a", "c", "31"},
                           {"a", "d", "32"},
                           {"hm", "hm", "x"}}));
  for (const char* file : {"test.html", "tabletest.html", "cc.html"}) {
    EXPECT_TRUE(folder_.Has(file)) << file;
  }
  EXPECT_NE(run.err.find("数据库存在形式与CC.html显示的效果类似"), std::string::npos);

  // By default the first row is a header.
  ASSERT_EQ(Quillmere(folder_, {"run", folder_.path()}).exit_code, 0);
  EXPECT_EQ(Table().size(), 4u);
}

TEST_F(RunCommandTest, FailuresPrintTheirNumberAndLoseNothing) {
  Outcome beyond = Quillmere(folder_, {"run", folder_.path(), "--table", "2"});
  EXPECT_EQ(beyond.exit_code, 1);
  EXPECT_EQ(beyond.err.rfind("error 4004: ", 0), 0u) << beyond.err;
  EXPECT_NE(beyond.err.find("只有1个表格"), std::string::npos) << beyond.err;
  EXPECT_FALSE(folder_.Has("tabletest.html"));
  EXPECT_EQ(Table(), (Rows{{"before", "NULL", "NULL"}}));

  std::filesystem::remove(folder_ / "test.doc");
  std::filesystem::remove(folder_ / "test.html");
  Outcome missing = Quillmere(folder_, {"run", folder_.path()});
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_EQ(missing.err.rfind("error 1001: ", 0), 0u) << missing.err;
  EXPECT_FALSE(folder_.Has("test.html"));
  EXPECT_EQ(Table(), (Rows{{"before", "NULL", "NULL"}}));

  EXPECT_EQ(Quillmere(folder_, {"run", "--table", "0"}).exit_code, 2);
  EXPECT_EQ(Quillmere(folder_, {"run", "a", "b"}).exit_code, 2);
}

// A document named in place of a folder is run on as test.doc would be, in
// its own folder, and is only read.
TEST_F(RunCommandTest, RunsOnADocumentNamedInItsFolder) {
  std::filesystem::create_directory(folder_ / "forms");
  std::filesystem::rename(folder_ / "test.doc", folder_ / "forms/表1.docx");
  std::filesystem::rename(folder_ / "data.mdb", folder_ / "forms/data.mdb");
  const std::string document = folder_.Read("forms/表1.docx");
  Outcome run = Quillmere(folder_, {"run", "forms/表1.docx"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(Query(folder_ / "forms/data.mdb", "select count(*) from dt_table"), (Rows{{"4"}}));
  for (const char* file : {"test.html", "tabletest.html", "cc.html"}) {
    EXPECT_TRUE(folder_.Has(std::string("forms/") + file)) << file;
  }
  EXPECT_EQ(folder_.Read("forms/表1.docx"), document);
  EXPECT_FALSE(folder_.Has("forms/test.doc")) << "never copied or renamed";

  Outcome beyond = Quillmere(folder_, {"run", "forms/表1.docx", "--table", "2"});
  EXPECT_EQ(beyond.exit_code, 1);
  EXPECT_EQ(beyond.err.rfind("error 4004: forms/表1.docx 中只有1个表格", 0), 0u) << beyond.err;
  Outcome missing = Quillmere(folder_, {"run", "forms/表2.docx"});
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_NE(missing.err.find("\"forms/表2.docx\": No such file"), std::string::npos) << missing.err;
}

TEST_F(RunCommandTest, InAFolderWhoseNameHoldsABackslash) {
  const std::string named = folder_ / "a\\b";
  std::filesystem::create_directory(named);
  for (const char* file : {"test.doc", "data.mdb"}) {
    std::filesystem::rename(folder_ / file, named + "/" + file);
  }
  Outcome run = Quillmere(folder_, {"run", "a\\b"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(Query(named + "/data.mdb", "select count(*) from dt_table"), (Rows{{"4"}}));
  for (const char* file : {"test.html", "tabletest.html", "cc.html"}) {
    EXPECT_TRUE(std::filesystem::exists(named + "/" + file)) << file;
  }
  EXPECT_NE(run.out.find(named + "/cc.html"), std::string::npos) << run.out;
  EXPECT_FALSE(folder_.Has("a")) << "the backslash was taken for a separator";
}

// quillmere collect on a folder of documents: the sample .doc (three
// tables) and a .docx (one), beside things that are no documents.
class CollectCommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(folder_ / "forms/c.doc");  // a folder, not a document
    std::filesystem::copy_file(QUILLMERE_SOURCE_DIR "/samples/test.doc", folder_ / "forms/b.doc");
    std::filesystem::copy_file(QUILLMERE_SOURCE_DIR "/tests/document/data/merged-cells.docx",
                               folder_ / "forms/a.DOCX");
    folder_.Write("forms/~$a.DOCX", "Word's owner file");
    folder_.Write("forms/notes.txt", "not a document");
    ASSERT_EQ(Quillmere(folder_, {"newdb", "--columns", "5"}).exit_code, 0);
  }
  Rows Origins() const {
    return Query(folder_ / "data.mdb",
                 "select document, count(*) from dt_origin group by document order by min(rowid)");
  }
  TempFolder folder_;
};

TEST_F(CollectCommandLineTest, CollectsAFoldersDocumentsInNameOrder) {
  Outcome run = Quillmere(folder_, {"collect", "forms", "--folder", ".", "--progress"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(run.out.find("holds 9 rows from 2 documents; preview: "), std::string::npos) << run.out;
  EXPECT_EQ(Origins(), (Rows{{"forms/a.DOCX", "4"}, {"forms/b.doc", "5"}}));
  EXPECT_NE(run.err.find("Reading 1/2: forms/a.DOCX\nReading 2/2: forms/b.doc\nStoring 1/2: "
                         "forms/a.DOCX\n"),
            std::string::npos)
      << run.err;

  Outcome chinese =
      Quillmere(folder_, {"collect", "forms/b.doc", "--folder", ".", "--table", "3", "--progress"},
                "zh_CN.UTF-8");
  ASSERT_EQ(chinese.exit_code, 0) << chinese.err;
  EXPECT_NE(chinese.err.find("正在读取 1/1：forms/b.doc"), std::string::npos) << chinese.err;
  EXPECT_NE(chinese.out.find("现有来自 1 个文档的 3 行；预览："), std::string::npos) << chinese.out;
  EXPECT_EQ(Origins(), (Rows{{"forms/b.doc", "3"}}));

  EXPECT_EQ(Quillmere(folder_, {"collect", "--folder", "."}).exit_code, 2);
  EXPECT_EQ(Quillmere(folder_, {"collect", "forms", "--table", "0"}).exit_code, 2);
  EXPECT_EQ(Quillmere(folder_, {"collect", "forms/c.doc", "--folder", "."}).exit_code, 1)
      << "a folder without documents";
}

// Documents are told apart by the paths they are named by, and a file named
// more than once is taken once, with a word about it.
TEST_F(CollectCommandLineTest, SameNamedDocumentsStayApartAndARepeatedOneIsTakenOnce) {
  for (const char* folder : {"A", "B"}) {
    std::filesystem::create_directory(folder_ / folder);
    std::filesystem::copy_file(QUILLMERE_SOURCE_DIR "/samples/test.doc",
                               folder_ / folder + "/report.doc");
  }
  Outcome run = Quillmere(
      folder_, {"collect", "A", "B", "forms/b.doc", "./forms/b.doc", "forms", "--folder", "."});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(Origins(), (Rows{{"A/report.doc", "5"},
                             {"B/report.doc", "5"},
                             {"forms/b.doc", "5"},
                             {"forms/a.DOCX", "4"}}));
  EXPECT_NE(run.out.find("holds 19 rows from 4 documents"), std::string::npos) << run.out;
  EXPECT_EQ(run.err,
            "forms/b.doc is named more than once; it is taken once.\n"
            "forms/b.doc is named more than once; it is taken once.\n");
}

// A name that is no UTF-8, or holds a terminal's escape sequence, is read
// like any other and shown escaped wherever it is printed or stored.
TEST_F(CollectCommandLineTest, NamesThatAreNoTextAreReadAndShownEscaped) {
  std::filesystem::copy_file(QUILLMERE_SOURCE_DIR "/samples/test.doc",
                             folder_ / "forms/bad\xFE\xFFname.doc");
  std::filesystem::copy_file(QUILLMERE_SOURCE_DIR "/samples/test.doc",
                             folder_ / "forms/a\x1B[31mRED\x1B[0m.doc");
  folder_.Write("forms/\x1B]0;title\x07\n.doc", "plain text");
  Outcome run =
      Quillmere(folder_, {"collect", "forms", "--folder", ".", "--progress", "--skip-failures"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(Origins(), (Rows{{"forms/a\\x1B[31mRED\\x1B[0m.doc", "5"},
                             {"forms/a.DOCX", "4"},
                             {"forms/b.doc", "5"},
                             {"forms/bad\\xFE\\xFFname.doc", "5"}}));
  EXPECT_NE(run.err.find("Reading 5/5: forms/bad\\xFE\\xFFname.doc\n"), std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("left out forms/\\x1B]0;title\\x07\\n.doc: error 2001: "),
            std::string::npos)
      << run.err;
  EXPECT_EQ(run.err.find('\x1B'), std::string::npos) << "no escape sequence reaches the terminal";
}

TEST_F(CollectCommandLineTest, ABadDocumentStopsItAllUnlessSkipped) {
  folder_.Write("forms/bad.doc", "plain text");
  Outcome stopped = Quillmere(folder_, {"collect", "forms", "--folder", "."});
  EXPECT_EQ(stopped.exit_code, 1);
  EXPECT_EQ(stopped.err.rfind("error 2001: 1 of the 3 documents cannot be collected", 0), 0u)
      << stopped.err;
  EXPECT_NE(stopped.err.find("\nforms/bad.doc: error 2001: "), std::string::npos) << stopped.err;
  EXPECT_EQ(Origins(), Rows{});

  Outcome skipped = Quillmere(folder_, {"collect", "forms", "--folder", ".", "--skip-failures"});
  ASSERT_EQ(skipped.exit_code, 0) << skipped.err;
  EXPECT_EQ(skipped.err.rfind("left out forms/bad.doc: error 2001: ", 0), 0u) << skipped.err;
  EXPECT_EQ(Origins(), (Rows{{"forms/a.DOCX", "4"}, {"forms/b.doc", "5"}}));
}

// quillmere forms on the fixtures' essay score sheets (WPS, .doc, two
// tables, placeholders): with the blank form, by the documents, and one.
TEST(FormsCommandLineTest, ReadsTheFormsOfAFolderIntoDtForm) {
  QM_REQUIRE_FIXTURE("forms/f19-zuowen-pingfen");
  const std::string form = testing::FixturePath("forms/f19-zuowen-pingfen").string();
  TempFolder folder;
  ASSERT_EQ(Quillmere(folder, {"newdb"}).exit_code, 0);
  Outcome read = Quillmere(folder, {"forms", form + "/filled", "--folder", ".", "--table", "all",
                                    "--template", form + "/blank.doc", "--progress"});
  ASSERT_EQ(read.exit_code, 0) << read.err;
  EXPECT_NE(read.out.find("data.mdb holds 3 records of 9 values each; preview: "),
            std::string::npos)
      << read.out;
  // A document is named by the folder as given and its file name.
  const std::string filled =
      std::filesystem::path(form + "/filled/f19-zuowen-pingfen-").lexically_normal().string();
  EXPECT_NE(read.err.find("Storing 3/3: " + filled + "3.doc"), std::string::npos) << read.err;
  EXPECT_EQ(Query(folder / "data.mdb", "select document, 篇章结构, 姓名_2 from dt_form"),
            (Rows{{filled + "1.doc", "篇章结构填写101", "吴艳108"},
                  {filled + "2.doc", "篇章结构填写201", "张艳208"},
                  {filled + "3.doc", "篇章结构填写301", "王艳308"}}));

  read = Quillmere(folder, {"forms", form + "/filled/f19-zuowen-pingfen-2.doc", "--table", "1-2",
                            "--folder", "."});
  ASSERT_EQ(read.exit_code, 0) << read.err;
  EXPECT_EQ(read.out.rfind("One document and no blank form: these cells were taken as labels: ", 0),
            0u)
      << read.out;

  for (const char* table : {"0", "2-1", "x", "1-"}) {
    EXPECT_EQ(Quillmere(folder, {"forms", form, "--table", table}).exit_code, 2) << table;
  }
  EXPECT_EQ(Quillmere(folder, {"forms", "--folder", "."}).exit_code, 2);
  read = Quillmere(folder, {"forms", form + "/filled", "--folder", ".", "--table", "3"});
  EXPECT_EQ(read.exit_code, 1);
  EXPECT_NE(read.err.find("error 4004: 3 of the 3 documents cannot be read as the form"),
            std::string::npos)
      << read.err;
}

}  // namespace
}  // namespace quillmere
