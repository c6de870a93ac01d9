// make_word_forms COUNT OUT: writes a stack of filled-in forms for the forms
// benchmark: OUT/blank.docx, the blank form, and OUT/filled/form-0001.docx,
// form-0002.doc, ... (.docx and .doc taking turns), COUNT copies filled in
// with values of their own.
//
// The form is a registration form of 30 labels: two sections whose label
// reaches down over their rows (vertical merges), rows of two labels and
// their values, values reaching over three columns (column spans), and
// check-box options: typed boxes, a Wingdings box, and in .docx a content
// control and in .doc a form field.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "document/word97/doc_builder.h"
#include "platform/encoding/unicode.h"
#include "support/zip_writer.h"

namespace quillmere {
namespace {

// A box of one of the kinds a form holds.
enum class Box { kTyped, kSymbol, kControl };

struct Options {
  Box box;
  std::vector<std::string> choices;
};

// What one copy (or, with copy 0, the blank form) holds in its cells.
struct Form {
  int copy = 0;

  bool Blank() const { return copy == 0; }
  std::string Value(const std::string& label) const {
    return Blank() ? "" : label + "填写" + std::to_string(copy);
  }
  // The choice ticked among `count`, none in the blank form.
  int Chosen(size_t count) const { return Blank() ? -1 : copy % static_cast<int>(count); }
};

const char* const kSections[] = {"申请人情况", "单位情况"};
// Each section: rows of two labels with their values, then one label whose
// value reaches over three columns.
const char* const kPairs[2][12] = {
    {"姓名", "性别", "出生日期", "民族", "身份证号", "籍贯", "学历", "专业", "职称", "职务", "手机",
     "邮箱"},
    {"单位名称", "单位性质", "统一社会信用代码", "法定代表人", "注册资本", "成立日期", "联系人",
     "联系电话", "传真", "邮编", "开户银行", "银行账号"},
};
const char* const kWide[2] = {"通讯地址", "经营范围"};
const Options kOptions[] = {
    {Box::kTyped, {"是", "否"}},
    {Box::kSymbol, {"国有", "民营", "外资"}},
};
const char* const kOptionLabels[] = {"是否党员", "企业类型"};

// --- .docx ---

std::string Run(const std::string& text) { return "<w:r><w:t>" + text + "</w:t></w:r>"; }

std::string BoxXml(Box box, bool ticked) {
  switch (box) {
    case Box::kTyped:
      return Run(ticked ? "☑" : "☐");
    case Box::kSymbol:
      return std::string("<w:r><w:sym w:font=\"Wingdings\" w:char=\"") +
             (ticked ? "F0FE" : "F0A8") + "\"/></w:r>";
    case Box::kControl:
      return std::string("<w:sdt><w:sdtPr><w14:checkbox><w14:checked w14:val=\"") +
             (ticked ? "1" : "0") + "\"/></w14:checkbox></w:sdtPr><w:sdtContent>" + Run("☐") +
             "</w:sdtContent></w:sdt>";
  }
  return {};
}

std::string Cell(const std::string& content, int span = 1, const char* merge = nullptr) {
  std::string properties;
  if (span > 1) properties += "<w:gridSpan w:val=\"" + std::to_string(span) + "\"/>";
  if (merge != nullptr) properties += merge;
  return "<w:tc>" + (properties.empty() ? "" : "<w:tcPr>" + properties + "</w:tcPr>") + "<w:p>" +
         content + "</w:p></w:tc>";
}

std::string Docx(const Form& form) {
  std::string rows;
  for (int s = 0; s < 2; ++s) {
    for (int r = 0; r < 7; ++r) {
      const char* merge = r == 0 ? "<w:vMerge w:val=\"restart\"/>" : "<w:vMerge/>";
      std::string row = Cell(r == 0 ? Run(kSections[s]) : "", 1, merge);
      if (r < 6) {
        for (int k = 0; k < 2; ++k) {
          const std::string label = kPairs[s][2 * r + k];
          row += Cell(Run(label)) + Cell(Run(form.Value(label)));
        }
      } else {
        row += Cell(Run(kWide[s])) + Cell(Run(form.Value(kWide[s])), 3);
      }
      rows += "<w:tr>" + row + "</w:tr>";
    }
  }
  for (size_t o = 0; o < 2; ++o) {
    const Options& options = kOptions[o];
    // In .docx the first group is of content controls.
    const Box box = o == 0 ? Box::kControl : options.box;
    std::string choices;
    for (size_t c = 0; c < options.choices.size(); ++c) {
      choices += BoxXml(box, form.Chosen(options.choices.size()) == static_cast<int>(c)) +
                 Run(options.choices[c] + " ");
    }
    rows += "<w:tr>" + Cell(Run(kOptionLabels[o]), 2) + Cell(choices, 3) + "</w:tr>";
  }
  std::string grid = "<w:tblGrid>";
  for (int c = 0; c < 5; ++c) grid += "<w:gridCol w:w=\"1800\"/>";
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<w:document "
         "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
         "xmlns:w14=\"http://schemas.microsoft.com/office/word/2010/wordml\"><w:body>" +
         std::string("<w:p>") + Run("登记表") + "</w:p><w:tbl>" + grid + "</w:tblGrid>" + rows +
         "</w:tbl><w:p/></w:body></w:document>";
}

// --- .doc ---

std::u16string U(const std::string& text) { return unicode::FromUtf8(text); }

std::string Doc(const Form& form) {
  document::testing::DocBuilder doc;
  const std::vector<int> pairs = {0, 1800, 3600, 5400, 7200, 9000};
  const std::vector<int> wide = {0, 1800, 3600, 9000};
  constexpr uint16_t kRestart = 0x0060, kContinue = 0x0020;
  doc.Text(u"登记表").EndParagraph();
  for (int s = 0; s < 2; ++s) {
    for (int r = 0; r < 7; ++r) {
      doc.Text(r == 0 ? U(kSections[s]) : u"").EndCell();
      const uint16_t merge = r == 0 ? kRestart : kContinue;
      if (r < 6) {
        for (int k = 0; k < 2; ++k) {
          const std::string label = kPairs[s][2 * r + k];
          doc.Text(U(label)).EndCell().Text(U(form.Value(label))).EndCell();
        }
        doc.EndRow(pairs, {merge});
      } else {
        doc.Text(U(kWide[s])).EndCell().Text(U(form.Value(kWide[s]))).EndCell();
        doc.EndRow(wide, {merge});
      }
    }
  }
  const std::vector<int> options_edges = {0, 3600, 9000};
  for (size_t o = 0; o < 2; ++o) {
    const Options& options = kOptions[o];
    doc.Text(U(kOptionLabels[o])).EndCell();
    for (size_t c = 0; c < options.choices.size(); ++c) {
      const bool ticked = form.Chosen(options.choices.size()) == static_cast<int>(c);
      if (o == 0) {
        doc.CheckBoxField(ticked);  // in .doc the first group is of form fields
      } else if (options.box == Box::kSymbol) {
        doc.Symbols(u"Wingdings", ticked ? u"\uF0FE" : u"\uF0A8");
      } else {
        doc.Text(ticked ? u"☑" : u"☐");
      }
      doc.Text(U(options.choices[c] + " "));
    }
    doc.EndCell().EndRow(options_edges);
  }
  doc.Text(u"").EndParagraph();
  return doc.Build();
}

bool Write(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

}  // namespace
}  // namespace quillmere

int main(int argc, char** argv) {
  using namespace quillmere;
  namespace fs = std::filesystem;
  const int count = argc == 3 ? std::atoi(argv[1]) : 0;
  if (count < 1) {
    std::cerr << "usage: make_word_forms COUNT OUT\n";
    return 2;
  }
  const fs::path out = argv[2];
  std::error_code error;
  fs::create_directories(out / "filled", error);
  bool written = !error && document::testing::WriteDocx((out / "blank.docx").string(), Docx({0}));
  for (int copy = 1; copy <= count && written; ++copy) {
    char name[32];
    std::snprintf(name, sizeof name, "form-%04d.%s", copy, copy % 2 == 1 ? "docx" : "doc");
    const fs::path path = out / "filled" / name;
    written = copy % 2 == 1 ? document::testing::WriteDocx(path.string(), Docx({copy}))
                            : Write(path, Doc({copy}));
  }
  if (!written) std::cerr << "make_word_forms: cannot write into " << out << "\n";
  return written ? 0 : 1;
}
