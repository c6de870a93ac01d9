// A test fixture around a DocumentServer: a private folder, the committed
// fixtures, and the web page a document becomes.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "document/document_server.h"
#include "page_tables.h"
#include "platform/encoding/unicode.h"

namespace quillmere::document::testing {

class ServerTest : public ::testing::Test {
 public:
  static std::string Data(const std::string& name) {
    return std::string(QUILLMERE_TEST_DATA) + "/" + name;
  }
  // The whole file; empty when it cannot be read.
  static std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

 protected:
  void SetUp() override {
    char name[] = "/tmp/quillmere-document-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    dir_ = name;
    // No converter unless a test asks for one: results must not depend on
    // what this machine has installed.
    options_.converter.program.clear();
    options_.converter.search_path.clear();
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // A path in our folder as the program writes it: "\\" before the name.
  std::u16string ProgramPath(const std::string& name) const {
    return unicode::FromUtf8(dir_ + "\\\\" + name);
  }
  std::string Copy(const std::string& from, const std::string& name) const {
    std::filesystem::copy_file(from, dir_ + "/" + name,
                               std::filesystem::copy_options::overwrite_existing);
    return dir_ + "/" + name;
  }

  Status Open(DocumentServer& server, const std::string& native_path) {
    return server.Open(unicode::FromUtf8(native_path), true, u"Word.Document", u"", u"");
  }

  // Opens `document` as the start command does and has it saved as
  // test.html; `page` gets the page's bytes.
  Status OpenAndSave(const std::string& document, std::string* page) {
    DocumentServer server(options_);
    QM_RETURN_IF_ERROR(Open(server, document));
    WordDocument* active = nullptr;
    QM_RETURN_IF_ERROR(server.ActiveDocument(&active));
    QM_RETURN_IF_ERROR(active->SaveAs(ProgramPath("test.html"), WordDocument::kFormatHtml));
    QM_RETURN_IF_ERROR(server.Close());
    *page = Slurp(dir_ + "/test.html");
    return Status();
  }

  // The grid of table `n` (counted from 1 as the page's pieces are) of the
  // page of `fixture`, as the conversion makes it.
  Grid TableOf(const std::string& fixture, size_t n) {
    std::string page;
    Status opened = OpenAndSave(Data(fixture), &page);
    EXPECT_TRUE(opened.ok()) << opened.ToString();
    return TableOfPage(page, n);
  }
  static Grid TableOfPage(const std::string& page, size_t n) {
    std::vector<std::u16string> pieces = PagePieces(page);
    Grid grid;
    if (n >= pieces.size()) {
      ADD_FAILURE() << "the page has " << pieces.size() - 1 << " tables, not " << n;
      return grid;
    }
    Status converted = ConvertPiece(pieces[n], &grid);
    EXPECT_TRUE(converted.ok()) << converted.ToString();
    return grid;
  }

  std::string dir_;
  ReaderOptions options_;
};

}  // namespace quillmere::document::testing
