// Hostile and broken files: each is refused with a clear error, and nothing
// is written.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>

#include "document/docx/reader.h"
#include "server_fixture.h"
#include "support/zip_writer.h"

namespace quillmere::document {
namespace {

namespace fs = std::filesystem;
using testing::DocumentXml;
using testing::WriteDocx;

class HostileInputTest : public testing::ServerTest {
 protected:
  // Opening `path` fails with `number` and a description saying `says`;
  // no document stays open and no page is written.
  void ExpectRefused(const std::string& path, ErrorNumber number, const std::string& says) {
    std::string page;
    Status status = OpenAndSave(path, &page);
    EXPECT_EQ(status.number(), number) << status.ToString();
    EXPECT_NE(status.description().find(says), std::string::npos) << status.ToString();
    EXPECT_NE(status.description().find(fs::path(path).filename().string()), std::string::npos);
    EXPECT_FALSE(fs::exists(dir_ + "/test.html"));
  }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
};

// Sets the uncompressed size every header of the archive gives its first
// entry to `size`, as a hostile archive lies about it.
void LieAboutSize(std::string& zip, uint32_t size) {
  auto put = [&zip, size](size_t at) {
    for (int i = 0; i < 4; ++i) zip[at + i] = static_cast<char>(size >> (8 * i));
  };
  put(zip.find("PK\x03\x04") + 22);
  put(zip.find("PK\x01\x02") + 24);
}

TEST_F(HostileInputTest, AZipBombIsRefusedByItsRatioFarBelowTheSizeCap) {
  ASSERT_TRUE(WriteDocx(Path("bomb.docx"), DocumentXml("<w:p/>" + std::string(8 << 20, ' '))));
  EXPECT_LT(fs::file_size(Path("bomb.docx")), 100'000u);
  ExpectRefused(Path("bomb.docx"), ErrorNumber::kDocumentTooLarge, "times its compressed size");
}

TEST_F(HostileInputTest, APartThatCompressesLikeXmlIsReadUpToTheSizeCap) {
  ASSERT_TRUE(WriteDocx(Path("large.docx"), DocumentXml(testing::TableXml(3000, 6))));
  options_.limits.max_part_bytes = 2 << 20;
  ExpectRefused(Path("large.docx"), ErrorNumber::kDocumentTooLarge, "more than 2 MiB");
  options_.limits.max_part_bytes = 8 << 20;
  std::string page;
  ASSERT_TRUE(OpenAndSave(Path("large.docx"), &page).ok());
  EXPECT_EQ(TableOfPage(page, 1).size(), 3000u);
}

TEST_F(HostileInputTest, AZipBombThatLiesAboutItsSizeIsStoppedWhileInflating) {
  options_.limits.max_part_bytes = 1 << 20;
  std::string xml = DocumentXml("<w:p/>" + std::string(8 << 20, ' '));
  // word/document.xml alone, so the first headers of the archive are its own.
  ASSERT_TRUE(testing::WriteZip(Path("liar.docx"), {{"word/document.xml", xml}}));
  std::string zip = Slurp(Path("liar.docx"));
  LieAboutSize(zip, 100);
  std::ofstream(Path("liar.docx"), std::ios::binary) << zip;
  ExpectRefused(Path("liar.docx"), ErrorNumber::kDocumentTooLarge, "1 MiB");
}

TEST_F(HostileInputTest, DeeplyNestedXmlIsRefused) {
  std::string open, close;
  for (int i = 0; i < 100'000; ++i) {
    open += "<w:customXml>";
    close += "</w:customXml>";
  }
  // Stored: deflated, it would be refused as a ZIP bomb before its depth.
  std::ofstream(Path("deep.docx"), std::ios::binary) << testing::ZipBytes(
      {{"word/document.xml", DocumentXml(open + "<w:p/>" + close)}}, testing::ZipMethod::kStore);
  ExpectRefused(Path("deep.docx"), ErrorNumber::kCorruptDocument, "levels deep");
}

TEST_F(HostileInputTest, NestingWithinTheLimitIsRead) {
  std::string open, close;
  for (int i = 0; i < 200; ++i) {
    open += "<w:customXml>";
    close += "</w:customXml>";
  }
  ASSERT_TRUE(WriteDocx(Path("nested.docx"),
                        DocumentXml(open + "<w:p><w:r><w:t>deep text</w:t></w:r></w:p>" + close)));
  std::string page;
  ASSERT_TRUE(OpenAndSave(Path("nested.docx"), &page).ok());
  EXPECT_NE(page.find("<p class=MsoNormal>deep text</p>"), std::string::npos);
}

TEST_F(HostileInputTest, ATruncatedArchiveIsDamaged) {
  std::string docx = Slurp(Data("merged-cells.docx"));
  std::ofstream(Path("cut.docx"), std::ios::binary) << docx.substr(0, docx.size() / 2);
  ExpectRefused(Path("cut.docx"), ErrorNumber::kCorruptDocument, "truncated");
}

TEST_F(HostileInputTest, DamagedCompressedDataIsDamaged) {
  std::string xml = DocumentXml("<w:p><w:r><w:t>" + std::string(5000, 'q') + "</w:t></w:r></w:p>");
  ASSERT_TRUE(testing::WriteZip(Path("flipped.docx"), {{"word/document.xml", xml}}));
  std::string zip = Slurp(Path("flipped.docx"));
  size_t data = zip.find("word/document.xml") + 17;  // the local header's name ends here
  for (size_t i = data + 2; i < data + 12; ++i) zip[i] = static_cast<char>(~zip[i]);
  std::ofstream(Path("flipped.docx"), std::ios::binary) << zip;
  ExpectRefused(Path("flipped.docx"), ErrorNumber::kCorruptDocument, "word/document.xml");
}

TEST_F(HostileInputTest, XmlThatIsNotWellFormedSaysWhere) {
  ASSERT_TRUE(WriteDocx(Path("bad.docx"), DocumentXml("<w:p><w:r></w:p>")));
  ExpectRefused(Path("bad.docx"), ErrorNumber::kCorruptDocument, "at byte");
  ASSERT_TRUE(WriteDocx(Path("rows.docx"), DocumentXml("<w:tbl><w:tr></w:tbl>")));
  ExpectRefused(Path("rows.docx"), ErrorNumber::kCorruptDocument, "does not match");
  ASSERT_TRUE(WriteDocx(Path("cut.docx"), DocumentXml("<w:p/>").substr(0, 150)));
  ExpectRefused(Path("cut.docx"), ErrorNumber::kCorruptDocument, "ends before");
  ASSERT_TRUE(WriteDocx(Path("dtd.docx"), "<!DOCTYPE d [<!ENTITY e \"e\">]>" + DocumentXml("")));
  ExpectRefused(Path("dtd.docx"), ErrorNumber::kCorruptDocument, "document type");
}

TEST_F(HostileInputTest, APackageWithoutAWordDocument) {
  ASSERT_TRUE(WriteDocx(Path("sheet.docx"), "<?xml version=\"1.0\"?><worksheet/>"));
  ExpectRefused(Path("sheet.docx"), ErrorNumber::kCorruptDocument, "no Word document");
  ASSERT_TRUE(
      testing::WriteZip(Path("odt.doc"), {{"mimetype", "application/vnd.oasis.opendocument.text"},
                                          {"content.xml", "<office:document-content/>"}}));
  ExpectRefused(Path("odt.doc"), ErrorNumber::kUnsupportedFormat, "OpenDocument text");
}

TEST_F(HostileInputTest, ATableWiderThanAnyGridIsRefused) {
  std::string cell = "<w:tc><w:tcPr><w:gridSpan w:val=\"2000000000\"/></w:tcPr><w:p/></w:tc>";
  ASSERT_TRUE(
      WriteDocx(Path("wide.docx"), DocumentXml("<w:tbl><w:tr>" + cell + cell + "</w:tr></w:tbl>")));
  ExpectRefused(Path("wide.docx"), ErrorNumber::kCorruptDocument, "columns");
}

// Found by the .docx fuzz target: a paragraph was kept from a document whose
// later table was refused.
TEST_F(HostileInputTest, ARefusedDocumentLeavesNothingBehind) {
  std::string cell = "<w:tc><w:tcPr><w:gridSpan w:val=\"2000000000\"/></w:tcPr><w:p/></w:tc>";
  ASSERT_TRUE(WriteDocx(Path("late.docx"), DocumentXml("<w:p><w:r><w:t>first</w:t></w:r></w:p>"
                                                       "<w:tbl><w:tr>" +
                                                       cell + cell + "</w:tr></w:tbl>")));
  Document read;
  Status status = docx::ReadDocument(Slurp(Path("late.docx")), ReadLimits(), &read);
  EXPECT_EQ(status.number(), ErrorNumber::kCorruptDocument) << status.ToString();
  EXPECT_TRUE(read.body.empty());
}

TEST_F(HostileInputTest, NonDocuments) {
  std::ofstream(Path("empty.doc"), std::ios::binary).flush();
  ExpectRefused(Path("empty.doc"), ErrorNumber::kCorruptDocument, "empty");
  std::string noise;
  for (int i = 0; i < 4096; ++i) noise += static_cast<char>((i * 7919) >> 3);
  std::ofstream(Path("noise.doc"), std::ios::binary) << "\x89PNG\r\n\x1a\n" << noise;
  ExpectRefused(Path("noise.doc"), ErrorNumber::kUnsupportedFormat, "no format");
}

}  // namespace
}  // namespace quillmere::document
