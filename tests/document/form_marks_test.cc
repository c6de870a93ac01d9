// What both readers mark beside a paragraph's text for forms: check boxes
// of content controls and form fields with their states, named fields, and
// characters set in a symbol font.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "document/document_reader.h"
#include "platform/encoding/unicode.h"
#include "support/fixtures.h"
#include "support/temp_folder.h"
#include "support/zip_writer.h"

namespace quillmere::document {
namespace {

using Kind = FormMark::Kind;

// A mark as a test reads it: what it covers instead of where.
struct Seen {
  Kind kind;
  std::string covers;
  bool checked = false;
  std::string name;
  bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Seen& seen) {
  return out << "{" << static_cast<int>(seen.kind) << " \"" << seen.covers << "\" " << seen.checked
             << " " << seen.name << "}";
}

std::u16string PlainText(const Paragraph& paragraph) {
  std::u16string text;
  for (const Inline& item : paragraph.inlines) {
    text += item.kind == Inline::Kind::kText ? item.text : std::u16string(u"\n");
  }
  return text;
}

void Collect(const std::vector<Block>& blocks, std::vector<Seen>* out) {
  for (const Block& block : blocks) {
    if (const auto* paragraph = std::get_if<Paragraph>(&block)) {
      const std::u16string text = PlainText(*paragraph);
      for (const FormMark& mark : paragraph->form_marks) {
        const bool checks = mark.kind == Kind::kCheckBox;
        out->push_back({mark.kind, unicode::ToUtf8(text.substr(mark.at, mark.length)),
                        checks && mark.checked, unicode::ToUtf8(mark.name)});
      }
      continue;
    }
    for (const Row& row : std::get<std::unique_ptr<Table>>(block)->rows) {
      for (const Cell& cell : row.cells) Collect(cell.blocks, out);
    }
  }
}

std::vector<Seen> MarksOf(const std::string& path) {
  Document document;
  Status read = ReadDocumentFile(path, ReaderOptions(), files::Disk(), &document);
  EXPECT_TRUE(read.ok()) << read.ToString();
  std::vector<Seen> seen;
  Collect(document.body, &seen);
  return seen;
}

// A run holding `inner`.
std::string R(const std::string& inner) { return "<w:r>" + inner + "</w:r>"; }

std::string CheckBoxControl(const std::string& properties, bool checked, const char* glyph) {
  return "<w:sdt><w:sdtPr>" + properties + "<w14:checkbox><w14:checked w14:val=\"" +
         (checked ? "1" : "0") + "\"/></w14:checkbox></w:sdtPr><w:sdtContent>" +
         R(std::string("<w:t>") + glyph + "</w:t>") + "</w:sdtContent></w:sdt>";
}

std::string CheckBoxField(const std::string& state) {
  return R("<w:fldChar w:fldCharType=\"begin\"><w:ffData><w:name w:val=\"Check1\"/>"
           "<w:checkBox>" +
           state + "</w:checkBox></w:ffData></w:fldChar>") +
         R("<w:instrText> FORMCHECKBOX </w:instrText>") + R("<w:fldChar w:fldCharType=\"end\"/>");
}

TEST(FormMarksTest, DocxCheckBoxesNamedFieldsAndSymbolFonts) {
  const std::string body =
      "<w:p>" + CheckBoxControl("<w:tag w:val=\"agree\"/>", true, "☒") + R("<w:t>同意</w:t>") +
      "</w:p><w:p>" + CheckBoxControl("<w:alias w:val=\"性别\"/>", false, "☐") + "</w:p><w:p>" +
      CheckBoxField("<w:default w:val=\"0\"/><w:checked/>") +
      CheckBoxField("<w:default w:val=\"1\"/>") +
      CheckBoxField("<w:default w:val=\"1\"/><w:checked w:val=\"0\"/>") + "</w:p><w:p>" +
      R("<w:t>电话：</w:t>") +
      R("<w:fldChar w:fldCharType=\"begin\"><w:ffData><w:name w:val=\"phone\"/>"
        "<w:textInput/></w:ffData></w:fldChar>") +
      R("<w:instrText> FORMTEXT </w:instrText>") + R("<w:fldChar w:fldCharType=\"separate\"/>") +
      R("<w:t>1234</w:t>") + R("<w:fldChar w:fldCharType=\"end\"/>") + "</w:p><w:p>" +
      R("<w:sym w:font=\"Wingdings\" w:char=\"F0FE\"/>") +
      R("<w:rPr><w:rFonts w:ascii=\"Wingdings 2\" w:hAnsi=\"Wingdings 2\"/></w:rPr><w:t>R£</w:t>") +
      R("<w:t>否</w:t>") +
      "</w:p><w:sdt><w:sdtPr><w:tag w:val=\"block\"/></w:sdtPr><w:sdtContent><w:p>" +
      R("<w:t>x</w:t>") +
      "</w:p></w:sdtContent></w:sdt><w:tbl><w:tblGrid><w:gridCol w:w=\"2000\"/></w:tblGrid><w:tr>"
      "<w:sdt><w:sdtPr><w:tag w:val=\"row\"/></w:sdtPr><w:sdtContent><w:tc><w:p>" +
      R("<w:t>cell</w:t>") + "</w:p></w:tc></w:sdtContent></w:sdt></w:tr></w:tbl><w:p/>";
  const std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<w:document "
      "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
      "xmlns:w14=\"http://schemas.microsoft.com/office/word/2010/wordml\"><w:body>" +
      body + "</w:body></w:document>";
  quillmere::testing::TempFolder folder;
  const std::string path = folder.path() + "/form.docx";
  ASSERT_TRUE(testing::WriteDocx(path, xml));

  EXPECT_EQ(MarksOf(path), (std::vector<Seen>{
                               {Kind::kCheckBox, "☒", true, ""},
                               {Kind::kNamedField, "☒", false, "agree"},
                               {Kind::kCheckBox, "☐", false, ""},
                               {Kind::kNamedField, "☐", false, "性别"},
                               {Kind::kCheckBox, "", true, ""},
                               {Kind::kCheckBox, "", true, ""},
                               {Kind::kCheckBox, "", false, ""},
                               {Kind::kNamedField, "1234", false, "phone"},
                               {Kind::kSymbolFont, "\u00FE", false, "Wingdings"},
                               {Kind::kSymbolFont, "R£", false, "Wingdings 2"},
                               {Kind::kNamedField, "x", false, "block"},
                               {Kind::kNamedField, "cell", false, "row"},
                           }));
}

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// A check box form field's state is the iRes bits of its FFData, which
// stand 8 bytes before its name's characters: 1 ticks it.
std::string WithCheckBoxTicked(std::string bytes, std::u16string_view name) {
  const std::string utf16(reinterpret_cast<const char*>(name.data()), 2 * name.size());
  const size_t at = bytes.find(utf16);
  if (at == std::string::npos || at < 8) return {};
  uint8_t& bits = reinterpret_cast<uint8_t&>(bytes[at - 8]);
  bits = static_cast<uint8_t>((bits & ~0x7C) | (1 << 2));
  return bytes;
}

TEST(FormMarksTest, DocFormFieldsAndSymbolFontsOfRealDocuments) {
  QM_REQUIRE_FIXTURE("doc/spire__fillFormField.doc");
  QM_REQUIRE_FIXTURE("doc/aspjava__document.doc");
  const std::filesystem::path form =
      quillmere::testing::FixturePath("doc/spire__fillFormField.doc");
  std::vector<Seen> marks = MarksOf(form.string());
  ASSERT_GE(marks.size(), 3u);
  EXPECT_EQ(marks[0], (Seen{Kind::kNamedField, "\u2002\u2002\u2002\u2002\u2002", false, "email"}));
  EXPECT_EQ(marks[1].name, "username");
  const Seen unticked{Kind::kCheckBox, "", false, ""};
  EXPECT_NE(std::find(marks.begin(), marks.end(), unticked), marks.end());

  quillmere::testing::TempFolder folder;
  const std::string ticked = folder.path() + "/ticked.doc";
  const std::string bytes = WithCheckBoxTicked(Slurp(form), u"agreement_of_terms");
  ASSERT_FALSE(bytes.empty());
  std::ofstream(ticked, std::ios::binary) << bytes;
  marks = MarksOf(ticked);
  EXPECT_NE(std::find(marks.begin(), marks.end(), Seen{Kind::kCheckBox, "", true, ""}),
            marks.end());
  EXPECT_EQ(std::find(marks.begin(), marks.end(), unticked), marks.end());

  EXPECT_EQ(MarksOf(quillmere::testing::FixturePath("doc/aspjava__document.doc").string()),
            (std::vector<Seen>{
                {Kind::kSymbolFont, "\uF028\uF078", false, "Wingdings"},
                {Kind::kSymbolFont, "\uF057\uF0C4", false, "Symbol"},
                {Kind::kNamedField, "test text", false, "Text1"},
                {Kind::kCheckBox, "", false, ""},
            }));
}

}  // namespace
}  // namespace quillmere::document
