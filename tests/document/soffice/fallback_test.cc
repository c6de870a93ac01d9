// The LibreOffice fallback: stand-in converters prove the time limit, the
// cleanup and the plumbing; the real LibreOffice, when installed, converts
// a committed RTF file.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include "document/server_fixture.h"
#include "document/soffice/converter.h"
#include "support/fault_injecting_file_system.h"

namespace quillmere::document {
namespace {

namespace fs = std::filesystem;
using testing::Grid;

class SofficeFallbackTest : public testing::ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    work_ = dir_ + "/work";
    fs::create_directory(work_);
    options_.converter.temp_folder = work_;
  }

  // A stand-in converter: a shell script with `body`.
  void UseConverter(const std::string& body) {
    std::string path = dir_ + "/fake-soffice";
    std::ofstream(path) << "#!/bin/sh\n" << body;
    fs::permissions(path, fs::perms::owner_all);
    options_.converter.program = path;
  }

  std::string work_;  // the converter's working folders go here
};

// Gone, or dead and waiting for a parent to reap it (in a container the
// first process may never do so).
bool ProcessIsGone(pid_t pid) {
  for (int i = 0; i < 100; ++i) {
    std::string stat = testing::ServerTest::Slurp("/proc/" + std::to_string(pid) + "/stat");
    size_t state = stat.rfind(") ");
    if (stat.empty() || (state != std::string::npos && stat[state + 2] == 'Z')) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

TEST_F(SofficeFallbackTest, AConverterThatHangsIsStoppedWithEverythingItStarted) {
  UseConverter("sleep 60 &\necho $! > " + dir_ + "/child.pid\nwait\n");
  options_.converter.time_limit = std::chrono::milliseconds(500);
  auto start = std::chrono::steady_clock::now();
  std::string page;
  Status status = OpenAndSave(Data("fallback.rtf"), &page);
  auto took = std::chrono::steady_clock::now() - start;

  EXPECT_EQ(status.number(), ErrorNumber::kConverterTimeout) << status.ToString();
  EXPECT_NE(status.description().find("500 ms"), std::string::npos) << status.ToString();
  // Stopped by the limit, not by the converter ending its 60 s sleep.
  EXPECT_LT(took, std::chrono::seconds(30));
  EXPECT_TRUE(fs::is_empty(work_)) << "the working folder is removed";
  pid_t child = std::stoi(Slurp(dir_ + "/child.pid"));
  EXPECT_TRUE(ProcessIsGone(child)) << "the converter's own child is killed too";
}

// As the window does when it is closed during a conversion.
TEST_F(SofficeFallbackTest, AConverterIsStoppedWhenTheCallerAsks) {
  UseConverter("sleep 60 &\necho $! > " + dir_ + "/child.pid\nwait\n");
  int calls = 0;
  options_.converter.keep_going = [&] {
    return ++calls < 5 || !fs::exists(dir_ + "/child.pid")
               ? Status()
               : Status(ErrorNumber::kRunCancelled, "closed");
  };
  std::string page;
  Status status = OpenAndSave(Data("fallback.rtf"), &page);
  EXPECT_EQ(status.number(), ErrorNumber::kRunCancelled) << status.ToString();
  EXPECT_TRUE(fs::is_empty(work_)) << "the working folder is removed";
  EXPECT_TRUE(ProcessIsGone(std::stoi(Slurp(dir_ + "/child.pid"))));
}

TEST_F(SofficeFallbackTest, AConverterThatWritesNothingFailsWithWhatItSaid) {
  UseConverter("echo 'Error: source file could not be loaded' >&2\nexit 0\n");
  std::string page;
  Status status = OpenAndSave(Data("fallback.rtf"), &page);
  EXPECT_EQ(status.number(), ErrorNumber::kConverterFailed);
  EXPECT_NE(status.description().find("source file could not be loaded"), std::string::npos)
      << status.ToString();
  EXPECT_TRUE(fs::is_empty(work_));
}

TEST_F(SofficeFallbackTest, TheConvertersDocxIsRead) {
  // Records its arguments, then "converts" by copying a .docx next to the
  // input's name in the folder after --outdir.
  UseConverter("for a; do echo \"$a\"; done > " + dir_ +
               "/args\n"
               "echo \"TMPDIR=$TMPDIR TMP=$TMP TEMP=$TEMP\" > " +
               dir_ +
               "/temp\n"
               "while [ \"$1\" != --outdir ]; do shift; done\n"
               "mkdir -p \"$2\"\n"
               "name=$(basename \"$3\"); cp " +
               Data("merged-cells.docx") + " \"$2/${name%.*}.docx\"\n");
  std::string page;
  ASSERT_TRUE(OpenAndSave(Copy(Data("fallback.rtf"), "test.doc"), &page).ok());
  EXPECT_EQ(TableOfPage(page, 1)[0], (std::vector<std::string>{"name", "name", "age", "city"}));

  std::string args = Slurp(dir_ + "/args");
  EXPECT_NE(args.find("-env:UserInstallation=file://" + work_ + "/quillmere-convert-"),
            std::string::npos)
      << "a private profile inside the working folder:\n"
      << args;
  EXPECT_NE(args.find("--headless\n"), std::string::npos);
  EXPECT_NE(args.find("docx:MS Word 2007 XML\n"), std::string::npos);
  EXPECT_NE(args.find("/document.rtf\n"), std::string::npos) << "named for its content";
  const std::string temp = Slurp(dir_ + "/temp");
  const std::string folder = temp.substr(7, temp.find(' ') - 7);
  EXPECT_EQ(folder.rfind(work_ + "/quillmere-convert-", 0), 0u)
      << "its temporary files go into the working folder: " << temp;
  EXPECT_EQ(temp, "TMPDIR=" + folder + " TMP=" + folder + " TEMP=" + folder + "\n");
  EXPECT_TRUE(fs::is_empty(work_));
}

// The input and the result go through the reader's file system: a write or
// a read it refuses fails the conversion, naming the file, and the working
// folder is removed all the same.
TEST_F(SofficeFallbackTest, TheConvertersFilesGoThroughTheReadersFileSystem) {
  UseConverter("while [ \"$1\" != --outdir ]; do shift; done\nmkdir -p \"$2\"\ncp " +
               Data("merged-cells.docx") + " \"$2/document.docx\"\n");
  quillmere::testing::FaultInjectingFileSystem disk;
  DocumentServer server(options_, disk);
  disk.FailWrite(1, ENOSPC);  // the input handed to the converter
  Status status = Open(server, Data("fallback.rtf"));
  EXPECT_EQ(status.number(), ErrorNumber::kDiskFull) << status.ToString();
  EXPECT_NE(status.description().find("/document.rtf"), std::string::npos) << status.ToString();
  EXPECT_TRUE(fs::is_empty(work_));

  disk.FailRead(2, EIO);  // the document, then the converter's .docx
  status = Open(server, Data("fallback.rtf"));
  EXPECT_EQ(status.number(), ErrorNumber::kFileIo) << status.ToString();
  EXPECT_NE(status.description().find("/out/document.docx"), std::string::npos)
      << status.ToString();
  EXPECT_TRUE(fs::is_empty(work_));
  EXPECT_TRUE(Open(server, Data("fallback.rtf")).ok());
}

TEST_F(SofficeFallbackTest, FindsTheConverterOnTheSearchPath) {
  ConverterOptions options;
  options.search_path = "/nonexistent:" + dir_;
  EXPECT_EQ(FindConverter(options), "");
  std::ofstream(dir_ + "/soffice") << "#!/bin/sh\n";
  fs::permissions(dir_ + "/soffice", fs::perms::owner_all);
  EXPECT_EQ(FindConverter(options), dir_ + "/soffice");
  options.program = dir_ + "/not-there";
  EXPECT_EQ(FindConverter(options), "") << "a named program that cannot run counts as none";
}

TEST_F(SofficeFallbackTest, LibreOfficeOpensRichText) {
  options_.converter = ConverterOptions::FromEnvironment();
  options_.converter.temp_folder = work_;
  if (FindConverter(options_.converter).empty()) GTEST_SKIP() << "LibreOffice is not installed";
  EXPECT_EQ(TableOf("fallback.rtf", 1), (Grid{{"alpha", "beta"}, {"gamma", "delta&amp;more"}}));
  EXPECT_TRUE(fs::is_empty(work_));
}

}  // namespace
}  // namespace quillmere::document
