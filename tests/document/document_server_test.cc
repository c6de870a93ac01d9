// The operations the start command calls on the hosting control: open,
// active document, SaveAs(path, 8), close, and how each one fails.
#include "document/document_server.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "server_fixture.h"
#include "support/fault_injecting_file_system.h"

namespace quillmere::document {
namespace {

namespace fs = std::filesystem;

class DocumentServerTest : public testing::ServerTest {
 protected:
  // Opening `path` fails with `number`, the description names the file and
  // says `says`, and no document is left open.
  void ExpectOpenFails(const std::string& path, ErrorNumber number, const std::string& says) {
    DocumentServer server(options_);
    Status status = Open(server, path);
    EXPECT_EQ(status.number(), number) << status.ToString();
    EXPECT_NE(status.description().find(fs::path(path).filename().string()), std::string::npos)
        << status.ToString();
    EXPECT_NE(status.description().find(says), std::string::npos) << status.ToString();
    WordDocument* document = nullptr;
    EXPECT_EQ(server.ActiveDocument(&document).number(), ErrorNumber::kNoDocumentOpen);
  }

  std::string Write(const std::string& name, const std::string& bytes) {
    std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
};

TEST_F(DocumentServerTest, OpenSaveCloseAsTheStartCommandDoes) {
  DocumentServer server(options_);
  WordDocument* document = nullptr;
  EXPECT_TRUE(server.Close().ok()) << "closing with nothing open succeeds";
  EXPECT_EQ(server.ActiveDocument(&document).number(), ErrorNumber::kNoDocumentOpen);

  Write("test.html", std::string(100000, 'x'));  // an older, longer page
  Copy(Data("merged-cells.docx"), "test.doc");
  ASSERT_TRUE(server.Open(ProgramPath("test.doc"), true, u"Word.Document", u"", u"").ok());
  ASSERT_TRUE(server.ActiveDocument(&document).ok());
  ASSERT_TRUE(document->SaveAs(ProgramPath("test.html"), WordDocument::kFormatHtml).ok());
  EXPECT_TRUE(server.Close().ok());
  EXPECT_TRUE(server.Close().ok()) << "the command closes twice";
  EXPECT_EQ(server.ActiveDocument(&document).number(), ErrorNumber::kNoDocumentOpen);

  std::string page = Slurp(dir_ + "/test.html");
  EXPECT_EQ(page.rfind("<html", 0), 0u) << "the older page is replaced, not overwritten";
  EXPECT_EQ(page.find("xxxx"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir_ + "/test.html.partial"));
}

TEST_F(DocumentServerTest, AFailedOpenClosesTheDocumentOpenBefore) {
  DocumentServer server(options_);
  ASSERT_TRUE(Open(server, Data("merged-cells.docx")).ok());
  EXPECT_FALSE(Open(server, dir_ + "/missing.doc").ok());
  WordDocument* document = nullptr;
  EXPECT_EQ(server.ActiveDocument(&document).number(), ErrorNumber::kNoDocumentOpen);
}

TEST_F(DocumentServerTest, MissingAndUnreadableFiles) {
  ExpectOpenFails(dir_ + "/missing.doc", ErrorNumber::kFileNotFound, "No such file");
  fs::create_directory(dir_ + "/folder.doc");
  ExpectOpenFails(dir_ + "/folder.doc", ErrorNumber::kNotAFile, "folder.doc");
  if (geteuid() != 0) {  // root reads through permissions
    std::string locked = Copy(Data("merged-cells.docx"), "locked.doc");
    fs::permissions(locked, fs::perms::none);
    ExpectOpenFails(locked, ErrorNumber::kPermissionDenied, "Permission denied");
  }
}

// The document is read through the server's file system, as the page is
// written, and a read it refuses is reported naming the file.
TEST_F(DocumentServerTest, TheDocumentIsReadThroughTheServersFileSystem) {
  quillmere::testing::FaultInjectingFileSystem disk;
  DocumentServer server(options_, disk);
  const std::string document = Copy(Data("merged-cells.docx"), "test.doc");
  disk.FailRead(1, EIO);
  Status status = Open(server, document);
  EXPECT_EQ(status.number(), ErrorNumber::kFileIo) << status.ToString();
  EXPECT_NE(status.description().find(document), std::string::npos) << status.ToString();
  EXPECT_NE(status.description().find("Input/output error"), std::string::npos);
  EXPECT_TRUE(Open(server, document).ok()) << "the fault gone, it opens";
}

TEST_F(DocumentServerTest, AnEncryptedDocxIsPasswordProtected) {
  ExpectOpenFails(Copy(Data("encrypted.docx"), "test.doc"), ErrorNumber::kPasswordProtected,
                  "EncryptedPackage");
  // The password argument cannot open it either.
  DocumentServer server(options_);
  EXPECT_EQ(
      server.Open(unicode::FromUtf8(Data("encrypted.docx")), true, u"Word.Document", u"", u"secret")
          .number(),
      ErrorNumber::kPasswordProtected);
}

TEST_F(DocumentServerTest, OtherFormatsNeedLibreOfficeAndSaySo) {
  ExpectOpenFails(Copy(Data("fallback.rtf"), "test.doc"), ErrorNumber::kUnsupportedFormat,
                  "Rich Text Format");
  ExpectOpenFails(Write("page.doc", "<html><body><table></table></body></html>"),
                  ErrorNumber::kUnsupportedFormat, "installing LibreOffice");
  // A compound file without a Word document in it.
  std::string compound = Slurp(Data("encrypted.docx"));
  const std::string name("E\0n\0c\0r\0y\0p\0t\0e\0d\0", 18);
  compound.replace(compound.find(name), name.size(),
                   std::string("O\0t\0h\0e\0r\0D\0a\0t\0a\0", 18));
  ExpectOpenFails(Write("other.doc", compound), ErrorNumber::kUnsupportedFormat, "compound file");
}

TEST_F(DocumentServerTest, OnlyWordDocumentIsServed) {
  DocumentServer server(options_);
  Status status =
      server.Open(unicode::FromUtf8(Data("merged-cells.docx")), true, u"Excel.Sheet", u"", u"");
  EXPECT_EQ(status.number(), ErrorNumber::kUnsupportedFormat);
  EXPECT_NE(status.description().find("Excel.Sheet"), std::string::npos);
  EXPECT_TRUE(
      server.Open(unicode::FromUtf8(Data("merged-cells.docx")), true, u"word.document", u"", u"")
          .ok());
}

TEST_F(DocumentServerTest, AFailedSaveLeavesNoPageBehind) {
  DocumentServer server(options_);
  ASSERT_TRUE(Open(server, Data("merged-cells.docx")).ok());
  WordDocument* document = nullptr;
  ASSERT_TRUE(server.ActiveDocument(&document).ok());

  Status other_format = document->SaveAs(ProgramPath("test.html"), 0);
  EXPECT_EQ(other_format.number(), ErrorNumber::kUnsupportedFormat);
  Status no_folder = document->SaveAs(ProgramPath("gone\\\\test.html"), 8);
  EXPECT_EQ(no_folder.number(), ErrorNumber::kFileNotFound) << no_folder.ToString();
  EXPECT_TRUE(fs::is_empty(dir_));
}

}  // namespace
}  // namespace quillmere::document
