// What a value is in a cell, how wide a column is, what the columns are
// named, and the CSV file's bytes.
#include <gtest/gtest.h>

#include "spreadsheet/cell_value.h"
#include "spreadsheet/column_names.h"
#include "spreadsheet/csv_sheet.h"

namespace quillmere::spreadsheet {
namespace {

using Kind = CellValue::Kind;

TEST(CellValueTest, OnlyPlainDecimalNumbersOfFifteenDigitsBecomeNumbers) {
  struct Case {
    const char* text;
    Kind kind;
    double number = 0;
    int decimals = 0;
  };
  const Case cases[] = {
      {"", Kind::kEmpty},
      {"0", Kind::kNumber, 0},
      {"90", Kind::kNumber, 90},
      {"-3", Kind::kNumber, -3},
      {"12.50", Kind::kNumber, 12.5, 2},
      {"0.05", Kind::kNumber, 0.05, 2},
      {"123456789012345", Kind::kNumber, 123456789012345.0},
      {"0.000000000000001", Kind::kNumber, 1e-15, 15},
      // An ID number, leading zeros, more digits than a spreadsheet keeps.
      {"440981199001011234", Kind::kText},
      {"1234567890123456", Kind::kText},
      {"12345678901234.56", Kind::kText},
      {"013812345678", Kind::kText},
      {"00", Kind::kText},
      {"100080", Kind::kNumber, 100080},
      // Eleven digits from 13 to 19 are a mobile number in any column.
      {"13912345678", Kind::kText},
      {"19912345678", Kind::kText},
      {"12345678901", Kind::kNumber, 12345678901.0},
      {"139123456789", Kind::kNumber, 139123456789.0},
      {"-13912345678", Kind::kNumber, -13912345678.0},
      {"-0", Kind::kText},
      {"-0.0", Kind::kText},
      {"+5", Kind::kText},
      {".5", Kind::kText},
      {"5.", Kind::kText},
      {"-", Kind::kText},
      {"1,234", Kind::kText},
      {"1e5", Kind::kText},
      {"5%", Kind::kText},
      {" 5", Kind::kText},
      {"２０", Kind::kText},
      {"2026-03-01", Kind::kText},
      {"2026年3月1日", Kind::kText},
      {"0x1F", Kind::kText},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const CellValue value = TypeOf(c.text);
    EXPECT_EQ(value.kind, c.kind);
    if (c.kind != Kind::kNumber) continue;
    EXPECT_EQ(value.number, c.number);
    EXPECT_EQ(value.decimals, c.decimals);
  }
}

TEST(CellValueTest, AColumnNamedForCodesKeepsEveryValueAsText) {
  const char* const codes[] = {
      "身份证号", "公民身份号码", "证件号码", "联系电话",    "联系方式 / 手机", "邮编",
      "邮    编", "邮政编码",     "学号",     "工号",        "银行卡号",        "准考证号",
      "快递单号", "QQ",           "QQ号",     "Student ID",  "StudentID",       "userId",
      "ID",       "Tel.",         "Zip code", "phonenumber", "Account No.",     "电话费编号",
  };
  for (const char* name : codes) {
    SCOPED_TRACE(name);
    EXPECT_EQ(MeaningOfColumn(name), ColumnMeaning::kCodes);
    EXPECT_EQ(TypeOf("100080", MeaningOfColumn(name)).kind, Kind::kText);
  }
  // Amounts, counts, scores, years and the rows' own numbers stay numbers.
  const char* const quantities[] = {
      "姓名",      "成绩 / 语文", "金额（元）",      "电话费", "账号数量", "年份",
      "序号",      "No.",         "field3",          "Paid",   "Width",    "Hotel",
      "Phone fee", "Discount",    "Account balance", "得分",   "",
  };
  for (const char* name : quantities) {
    SCOPED_TRACE(name);
    EXPECT_EQ(MeaningOfColumn(name), ColumnMeaning::kAny);
    EXPECT_EQ(TypeOf("100080", MeaningOfColumn(name)).kind, Kind::kNumber);
  }
  EXPECT_EQ(TypeOf("", ColumnMeaning::kCodes).kind, Kind::kEmpty);
}

TEST(CellValueTest, AWideCharacterTakesTwoColumns) {
  EXPECT_EQ(DisplayWidth(""), 0u);
  EXPECT_EQ(DisplayWidth("field10"), 7u);
  EXPECT_EQ(DisplayWidth("成绩 / 语文"), 11u);
  EXPECT_EQ(DisplayWidth("ＡＢ，。"), 8u);          // full-width forms
  EXPECT_EQ(DisplayWidth("한국"), 4u);              // Hangul
  EXPECT_EQ(DisplayWidth("\xF0\xA0\x80\x80"), 2u);  // U+20000
  EXPECT_EQ(DisplayWidth("é—"), 2u);                // narrow ones
  EXPECT_EQ(DisplayWidth("a\xE6\x88"), 3u);         // a character cut short: a column a byte
}

TEST(ColumnNamesTest, HeadingsOfAHeaderOfTwoRowsAreJoinedOnceEach) {
  // 姓名 spans both rows (carried down), 成绩 spans two columns; the last
  // column has no heading, the one before it is named twice.
  const std::vector<std::vector<std::string>> header = {
      {"姓名", "成绩", "成绩", "备注", "备注", ""}, {"姓名", "语文", "数学", "", "", ""}};
  EXPECT_EQ(
      HeadingNames(header, {"field0", "field1", "field2", "field3", "field4", "field5", "field6"}),
      (std::vector<std::string>{"姓名", "成绩 / 语文", "成绩 / 数学", "备注", "备注_2", "field5",
                                "field6"}));
}

TEST(ColumnNamesTest, ANameStandingAgainGetsTheNextNumberNotTaken) {
  std::vector<std::string> names = {"a", "a", "a_2", "a", "b"};
  MakeUnique(names);
  EXPECT_EQ(names, (std::vector<std::string>{"a", "a_3", "a_2", "a_4", "b"}));
}

TEST(CsvSheetTest, IsUtf8WithAByteOrderMarkCrLfAndQuotesWhereRfc4180AsksForThem) {
  std::string file;
  int pieces = 0;
  CsvSheet sheet([&](std::string_view piece) {
    file += piece;
    ++pieces;
    return Status();
  });
  using Cell = std::optional<std::string_view>;
  ASSERT_TRUE(sheet.Headings({"姓名", "a,b"}).ok());
  const Cell row1[] = {"张三", "say \"hi\""};
  const Cell row2[] = {std::nullopt, "two\r\nlines"};
  const Cell row3[] = {"", "0123"};
  for (RowCells row : {RowCells(row1), RowCells(row2), RowCells(row3)}) {
    ASSERT_TRUE(sheet.Row(row).ok());
  }
  ASSERT_TRUE(sheet.Finish().ok());
  EXPECT_EQ(
      file,
      "\xEF\xBB\xBF姓名,\"a,b\"\r\n张三,\"say \"\"hi\"\"\"\r\n,\"two\r\nlines\"\r\n,0123\r\n");
  EXPECT_EQ(pieces, 1);  // small files in one piece
}

TEST(CsvSheetTest, AFailedWriteStopsTheSheet) {
  CsvSheet sheet([](std::string_view) { return Status(ErrorNumber::kDiskFull, "full"); });
  ASSERT_TRUE(sheet.Headings({"a"}).ok());
  const std::string big(1 << 20, 'x');
  const std::optional<std::string_view> row[] = {big};
  EXPECT_EQ(sheet.Row(row).number(), ErrorNumber::kDiskFull);
}

}  // namespace
}  // namespace quillmere::spreadsheet
