// Hostile pages and documents: a 100 MB page of random tags converts or
// fails cleanly, and a document that makes LibreOffice hang is stopped at the
// time limit with everything it started and wrote removed.
#include <dirent.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <random>
#include <thread>

#include "child.h"
#include "convert/conversion.h"
#include "output/conversion_command.h"
#include "output/conversion_run.h"
#include "platform/limits.h"
#include "platform/program_paths.h"
#include "run_folder.h"
#include "support/zip_writer.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::Rows;

class HostileInputTest : public testing::RunFolder {};

// Tags, spans and text of every kind the conversion looks at, in random
// order, up to `units` UTF-16 units.
std::u16string RandomTags(size_t units, uint32_t seed) {
  static const std::u16string kPieces[] = {u"<tr>",
                                           u"<tr class=x>",
                                           u"<tr ",
                                           u"</tr>",
                                           u"<td>",
                                           u"<td class=y>",
                                           u"</td>",
                                           u"<td colspan=1000>",
                                           u"<td rowspan=65534>",
                                           u"<td colspan=2 rowspan=3>",
                                           u"colspan=",
                                           u"rowspan='7'",
                                           u"<p class=MsoNormal>",
                                           u"</p>",
                                           u"<span lang=EN-US>",
                                           u"</span>",
                                           u"&nbsp;",
                                           u"<thead>",
                                           u"</table>",
                                           u"<",
                                           u">",
                                           u"\r\n",
                                           u" ",
                                           u"文字",
                                           u"'",
                                           u"text",
                                           u"<o:p></o:p>",
                                           u"<br>"};
  std::mt19937 random(seed);
  std::uniform_int_distribution<size_t> pick(0, std::size(kPieces) - 1);
  std::u16string page;
  page.reserve(units + 32);
  while (page.size() < units) page += kPieces[pick(random)];
  return page;
}

TEST_F(HostileInputTest, AHundredMegabytesOfRandomTagsConvertOrFailCleanly) {
  ASSERT_TRUE(OpenDataMdb(form_, files::ProgramPath(dir_)).ok());
  form_.strTable = RandomTags(size_t{100} << 20, 1);
  Status status = ReplaceDtTable(
      form_, [&] { return Command3_Click(form_, files::ProgramPath(dir_), browser_, quiet_); });
  if (status.ok()) {
    EXPECT_TRUE(Has("cc.html"));
  } else {
    EXPECT_NE(status.code(), 0);
    EXPECT_FALSE(status.description().empty());
    EXPECT_FALSE(form_.cn->InTransaction());
    EXPECT_EQ(DtTable(), kBefore) << status.ToString();
  }
}

// A test.doc that is no file (a FIFO no one writes, a device, a folder) is
// refused without waiting on it, plain text is refused as no Word document,
// and a link is read as the file it names. A link in tabletest.html's place
// is replaced, the file it named left alone.
TEST_F(HostileInputTest, TestDocMustBeAFileAndLinksAreNeverWrittenThrough) {
  const std::string doc = dir_ + "/test.doc", sample = folder_ / "sample.doc";
  fs::rename(doc, sample);
  ASSERT_EQ(mkfifo(doc.c_str(), 0644), 0);
  ExpectReportedAndNothingLost(Click(), ErrorNumber::kNotAFile, "named pipe");
  fs::remove(doc);
  fs::create_symlink("/dev/zero", doc);
  ExpectReportedAndNothingLost(Click(), ErrorNumber::kNotAFile, "device");
  fs::remove(doc);
  fs::create_directory(doc);
  ExpectReportedAndNothingLost(Click(), ErrorNumber::kNotAFile, "folder");
  fs::remove(doc);
  std::ofstream(doc) << "name\tqty\napples\t12\n";
  ExpectReportedAndNothingLost(Click(), ErrorNumber::kUnsupportedFormat, "plain-text");
  // A .docx without its document is damaged, not a format for LibreOffice.
  ASSERT_TRUE(document::testing::WriteZip(doc, {{"[Content_Types].xml", "<Types/>"}}));
  ExpectReportedAndNothingLost(Click(), ErrorNumber::kCorruptDocument, "damaged Word 2007+");
  EXPECT_FALSE(Has("test.html"));

  fs::remove(doc);
  fs::create_symlink(sample, doc);
  const std::string elsewhere = folder_ / "elsewhere.html";
  std::ofstream(elsewhere) << "not to be overwritten";
  fs::create_symlink(elsewhere, dir_ + "/tabletest.html");
  Status status = Click();
  ASSERT_TRUE(status.ok()) << status.ToString();
  EXPECT_EQ(DtTable().size(), 5u);
  EXPECT_FALSE(fs::is_symlink(dir_ + "/tabletest.html"));
  EXPECT_EQ(testing::ReadFile(elsewhere), "not to be overwritten");
}

// A web page saved as test.doc goes to LibreOffice; thousands of huge spans
// keep it busy far beyond the time limit, which stops it and everything it
// started, removes its private profile and temporary files, and fails the run
// with a clear error, dt_table untouched.
TEST_F(HostileInputTest, ADocumentThatMakesLibreOfficeHangIsStoppedAtTheTimeLimit) {
  document::ReaderOptions options;
  if (document::FindConverter(options.converter).empty()) {
    GTEST_SKIP() << "LibreOffice is not installed";
  }
  std::string page = "<html><body>";
  const std::string text(10'000, 'x');
  for (int s = 0; s < 2'000; ++s)
    page += "<span style='font-size:" + std::to_string(8 + s % 40) + "pt'>" + text + "</span>";
  page += "</body></html>";
  std::ofstream(dir_ + "/test.doc", std::ios::binary | std::ios::trunc) << page;
  const std::string work = folder_ / "work";
  fs::create_directory(work);
  options.converter.temp_folder = work;
  options.converter.time_limit = std::chrono::seconds(3);
  document::DocumentServer server(options);

  Status status = Click(server);
  EXPECT_EQ(status.number(), ErrorNumber::kConverterTimeout) << status.ToString();
  EXPECT_NE(status.description().find("did not finish within 3 s"), std::string::npos)
      << status.ToString();
  EXPECT_NE(status.description().find("test.doc"), std::string::npos) << status.ToString();
  EXPECT_TRUE(fs::is_empty(work)) << "its profile and temporary files are removed";
  EXPECT_FALSE(Has("test.html"));
  EXPECT_EQ(DtTable(), kBefore);

  // Nothing it started is left running: no process names the working folder.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string cmdline = testing::ReadFile(entry.path().string() + "/cmdline");
    EXPECT_EQ(cmdline.find(work), std::string::npos) << entry.path() << " still runs";
  }
}

// A host whose document saves as a page one byte over the limit (a sparse
// file, so the test writes nothing).
class HugePageHost : public DocumentHost, public WordDocument {
 public:
  Status Open(std::u16string_view, bool, std::u16string_view, std::u16string_view,
              std::u16string_view) override {
    return Status();
  }
  Status ActiveDocument(WordDocument** document) override {
    *document = this;
    return Status();
  }
  Status Close() override { return Status(); }
  Status SaveAs(std::u16string_view file_name, int16_t) override {
    fs::resize_file(files::NativePath(file_name), kMaxPageBytes + 1);
    return Status();
  }
};

TEST_F(HostileInputTest, DocumentsPagesAndMarkupFilesBeyondTheLimitAreNotRead) {
  fs::resize_file(dir_ + "/test.doc", kMaxDocumentBytes + 1);
  ExpectReportedAndNothingLost(Click(), ErrorNumber::kFileTooLarge, "test.doc");
  EXPECT_FALSE(Has("test.html"));

  std::ofstream(dir_ + "/test.html").flush();
  HugePageHost host;
  ExpectReportedAndNothingLost(Click(host), ErrorNumber::kFileTooLarge, "test.html");
  EXPECT_FALSE(Has("tabletest.html"));

  fs::resize_file(dir_ + "/test.html", kMaxPageBytes + 1);
  testing::ChildOptions options;
  options.err = folder_ / "stderr";
  EXPECT_EQ(testing::Wait(testing::Start(
                {QUILLMERE_BINARY, "convert", dir_ + "/test.html", "--folder", dir_}, options)),
            1);
  const std::string err = testing::ReadFile(options.err);
  EXPECT_EQ(err.rfind("error 1005: ", 0), 0u) << err;
  EXPECT_EQ(DtTable(), kBefore);
}

}  // namespace
}  // namespace quillmere
