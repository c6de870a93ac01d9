#include "convert/conversion_internal.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>

#include "recorder.h"

namespace quillmere {
namespace {

using testing::Recorder;
using testing::U16;
using testing::U8;
using Lines = std::vector<std::string>;

// Test strings write CR LF as "⏎".
std::u16string R(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s.compare(i, 3, "⏎") == 0) {
      out += "\r\n";
      i += 2;
    } else {
      out += s[i];
    }
  }
  return U16(out);
}

// The rows of `table`, kept in `rows` (which the views point into).
IsolatedRows& Isolate(std::string_view table, Recorder& recorder) {
  static std::deque<IsolatedRows> kept;
  IsolatedRows& rows = kept.emplace_back();
  Status status = IsolateRows(R(table), recorder, &rows);
  EXPECT_TRUE(status.ok()) << status.ToString();
  return rows;
}

std::vector<std::vector<std::string>> Grid(std::string_view table) {
  Recorder recorder;
  Status status = ConvertTable(R(table), recorder, recorder);
  EXPECT_TRUE(status.ok()) << status.ToString();
  return recorder.grid;
}

constexpr std::string_view kColspanExample =
    "border=1 cellspacing=0>⏎<TR class=r1>⏎<TD width=20 colspan=2>Ab</TD>⏎<TD "
    "width=10>c</TD>⏎</TR>⏎<TR class=r2>⏎<TD width=10>d</TD>⏎<TD width=10>e</TD>⏎<TD "
    "width=10>f</TD>⏎</TR>⏎</TABLE>⏎";

constexpr std::string_view kRowspanExample =
    "border=1>⏎<TR class=r1>⏎<TD width=10 rowspan=2>a</TD>⏎<TD width=10>b</TD>⏎</TR>⏎<TR "
    "class=r2>⏎<TD width=10>c</TD>⏎</TR>⏎</TABLE>⏎";

TEST(FirstPassTest, WorkedExampleToTheCharacter) {
  Recorder recorder;
  IsolatedRows& rows = Isolate(kColspanExample, recorder);
  EXPECT_EQ(U8(rows.strRows()),
            U8(R("⏎<tr><td width=20 colspan=2>ab</td><td width=20 colspan=2>ab</td>⏎<td "
                 "width=10>c</td>⏎⏎</td>⏎<tr><td width=10>d</td>⏎<td width=10>e</td>⏎<td "
                 "width=10>f</td>⏎⏎⏎</td>")));
  EXPECT_EQ(rows.colBound, 2);
  EXPECT_EQ(recorder.events,
            (Lines{"yield", "status 正在处理tr标签85", "yield", "status 正在处理tr标签0",
                   "status 1", "yield", "yield", "yield", "status 2", "yield", "yield"}));
}

TEST(ConversionTest, ColumnSpanWorkedExampleThroughBothPasses) {
  Recorder recorder;
  ASSERT_TRUE(ConvertTable(R(kColspanExample), recorder, recorder).ok());
  Lines second_pass(std::find(recorder.events.begin(), recorder.events.end(), "begin"),
                    recorder.events.end());
  EXPECT_EQ(second_pass,
            (Lines{"begin", "status 1", "cell 0 <td>ab", "cell 1 <td>ab", "cell 2 <td>c", "row 1",
                   "status 2", "cell 0 <td>d", "cell 1 <td>e", "cell 2 <td>f", "row 2", "finish"}));
}

TEST(ConversionTest, RowSpanWorkedExample) {
  Recorder recorder;
  IsolatedRows& rows = Isolate(kRowspanExample, recorder);
  EXPECT_EQ(U8(rows.strRows()), U8(R("⏎<tr><td width=10 rowspan=2>a</td>⏎<td "
                                     "width=10>b</td>⏎⏎</td>⏎<tr><td width=10>c</td>⏎⏎⏎</td>")));
  EXPECT_EQ(rows.colBound, 1);

  recorder.events.clear();
  ASSERT_TRUE(ConvertTable(R(kRowspanExample), recorder, recorder).ok());
  EXPECT_EQ(recorder.Only("begin").size(), 1u);
  Lines second_pass(std::find(recorder.events.begin(), recorder.events.end(), "begin"),
                    recorder.events.end());
  EXPECT_EQ(second_pass,
            (Lines{"begin", "status 1", "yield", "cell 0 <td>a", "cell 1 <td>b", "row 1",
                   "status 2", "cell 0 <td>a", "cell 1 <td>c", "row 2", "finish"}));
}

TEST(ConversionTest, RowSpanOfThreeCoversAThirdRow) {
  EXPECT_EQ(Grid("x>⏎<tr a>⏎<td rowspan=3>a</td>⏎<td>b</td>⏎</tr>⏎<tr a>⏎<td x>c</td>⏎</tr>⏎"
                 "<tr a>⏎<td x>d</td>⏎</tr>⏎<tr a>⏎<td x>e</td>⏎<td x>f</td>⏎</tr>⏎"),
            (std::vector<std::vector<std::string>>{
                {"<td>a", "<td>b"}, {"<td>a", "<td>c"}, {"<td>a", "<td>d"}, {"<td>e", "<td>f"}}));
}

// Row isolation.

TEST(FirstPassTest, TagsInAnyCaseAndCellTextsComeOutLowercased) {
  auto grid = Grid("x>⏎<Tr A=1>⏎<tD W=1>MiXeD</Td>⏎</tR>⏎</TaBlE>");
  EXPECT_EQ(grid, (std::vector<std::vector<std::string>>{{"<td>mixed"}}));
}

TEST(FirstPassTest, BareRowTagIsKeptAndItsLeadBecomesPartOfTheFirstCell) {
  Recorder recorder;
  IsolatedRows& rows =
      Isolate("x>⏎<tr>⏎ <td w>a</td>⏎<td w>b</td>⏎</tr>⏎<tr>⏎<td w>c</td>⏎", recorder);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(U8(rows.RowText(0)), U8(R("⏎ <td w>a</td>⏎<td w>b</td>⏎⏎</td>")));
  EXPECT_TRUE(recorder.Only("status 正在处理").empty());
}

TEST(FirstPassTest, RowTagCutRunsToTheNextCellWithAttributes) {
  Recorder recorder;
  // The first cell is a bare <td>: it is cut away with the row tag.
  IsolatedRows& kept = Isolate("x>⏎<tr a>⏎<td>gone</td>⏎<td w>kept</td>⏎", recorder);
  EXPECT_EQ(U8(kept.RowText(0)), U8(R("<td w>kept</td>⏎</td>")));
  // No cell with attributes in row 1: the cut reaches into row 2 and row 1 vanishes.
  IsolatedRows& rows = Isolate("x>⏎<tr a>⏎<td>a</td>⏎</tr>⏎<tr b>⏎<td w>b</td>⏎", recorder);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(U8(rows.RowText(0)), U8(R("<td w>b</td>⏎</td>")));
}

TEST(FirstPassTest, PiecesOfBlanksAreDroppedAndLineBreaksKept) {
  Recorder recorder;
  IsolatedRows& rows =
      Isolate("x>⏎<tr a><td w>a</td>   <td w>b</td>⏎</tr>⏎<tr a><td w>c</td>  ", recorder);
  EXPECT_EQ(U8(rows.RowText(0)), U8(R("<td w>a</td>   <td w>b</td>⏎⏎</td>")));
  EXPECT_EQ(U8(rows.RowText(1)), U8(R("<td w>c</td>")));
}

TEST(FirstPassTest, ColumnSpanValuesAndTheirSpellings) {
  auto width = [](std::string_view cell) {
    Recorder recorder;
    IsolatedRows rows;
    std::string table = "x>⏎<tr a>⏎" + std::string(cell) + "</td>⏎<td w>z</td>⏎</tr>⏎";
    EXPECT_TRUE(IsolateRows(R(table), recorder, &rows).ok()) << cell;
    return rows.colBound + 1;
  };
  EXPECT_EQ(width("<td colspan=3 w>a"), 4);
  EXPECT_EQ(width("<td colspan=3>a"), 4);
  EXPECT_EQ(width("<td colspan=\"3\">a"), 4);
  EXPECT_EQ(width("<td COLSPAN=3>a"), 4);
  EXPECT_EQ(width("<td colspan=1>a"), 2);
  EXPECT_EQ(width("<td colspan=0>a"), 2);
  EXPECT_EQ(width("<td colspan=-2>a"), 2);
  EXPECT_EQ(width("<td colspan=2.5>a"), 3);  // halves to even
  EXPECT_EQ(width("<td colspan=3.5>a"), 5);
  // The word in a cell's text counts too, with the number after it there.
  EXPECT_EQ(width("<td w>see colspan 2 here"), 2);  // "colspan" then a blank: nothing to convert
  EXPECT_EQ(width("<td w>colspan=2>x"), 3);
}

TEST(FirstPassTest, ColumnBoundCountsTheWhitespacePiece) {
  Recorder recorder;
  // The line break before the next row is the whitespace piece, which
  // stands for no column.
  EXPECT_EQ(Isolate("x>⏎<tr a><td w>a</td><td w>b</td>⏎<tr a><td w>c</td><td w>d</td>", recorder)
                .colBound,
            1);
  // A table of one row gives the same bound as one with a row after it.
  EXPECT_EQ(Isolate("x>⏎<tr a>⏎<td w>a</td>⏎<td w>b</td>⏎</tr>⏎", recorder).colBound, 1);
}

// Markup written on one line, as other programs write whole tables and as a
// user pastes them: no line break stands between the rows, so the first row
// has no whitespace piece, and still every column is stored.
TEST(ConversionTest, TablesOnOneLineKeepEveryColumn) {
  using Cells = std::vector<std::vector<std::string>>;
  const struct {
    std::string_view table;
    Cells grid;
  } kCases[] = {
      {"<table><tr><td>h1</td><td>h2</td><td>h3</td></tr><tr><td>a</td><td>b</td><td>c</td></tr>"
       "</table>",
       {{"<td>h1", "<td>h2", "<td>h3"}, {"<td>a", "<td>b", "<td>c"}}},
      {"<table><tr><td>a</td><td>b</td></tr></table>", {{"<td>a", "<td>b"}}},
      {"x><tr a><td w>a</td><td w>b</td>   <tr a><td w>c</td><td w>d</td>",
       {{"<td>a", "<td>b"}, {"<td>c", "<td>d"}}},
      {"x><tr a><td w>a</td><td colspan=2>b</td><tr a><td w>c</td><td w>d</td><td w>e</td>",
       {{"<td>a", "<td>b", "<td>b"}, {"<td>c", "<td>d", "<td>e"}}},
      // Unclosed last cells: what follows the last "</td>" is a piece of its
      // own, standing for no column, as a whitespace piece does.
      {"x><tr a><td w>a</td><td w>b<tr a><td w>c</td><td w>d", {{"<td>a"}, {"<td>c"}}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.table);
    EXPECT_EQ(Grid(c.table), c.grid);
  }
}

TEST(FirstPassTest, EveryRowReachesTheSecondPassInOrder) {
  std::string table = "x>⏎";
  for (int i = 0; i < 500; ++i) {
    table += "<tr r>⏎<td w>" + std::to_string(i) + "</td>⏎</tr>⏎";
  }
  auto grid = Grid(table);
  ASSERT_EQ(grid.size(), 500u);
  EXPECT_EQ(grid[499][0], "<td>499");
}

// Row rebuilding.

TEST(SecondPassTest, CellSpanningTwoColumnsAndTwoRows) {
  EXPECT_EQ(Grid("x>⏎<tr a>⏎<td colspan=2 rowspan=2>a</td>⏎<td w>b</td>⏎</tr>⏎"
                 "<tr a>⏎<td w>c</td>⏎</tr>⏎"),
            (std::vector<std::vector<std::string>>{{"<td>a", "<td>a", "<td>b"},
                                                   {"<td>a", "<td>a", "<td>c"}}));
}

TEST(SecondPassTest, LaterEntryWinsWhenTwoCoverTheSameCell) {
  // Row 1's cell covers rows 2 and 3. Its text holds the word "rowspan", so
  // its copy in row 2 records a second entry for column 0 covering row 3:
  // that newer entry is the one row 3 receives.
  EXPECT_EQ(Grid("x>⏎<tr a>⏎<td rowspan=3>rowspan=2 <b>x</b></td>⏎<td w>b</td>⏎</tr>⏎"
                 "<tr a>⏎<td w>c</td>⏎</tr>⏎<tr a>⏎<td w>d</td>⏎</tr>⏎"),
            (std::vector<std::vector<std::string>>{
                {"<td>rowspan=2x", "<td>b"}, {"<td>rowspan=2x", "<td>c"}, {"<td>x", "<td>d"}}));
}

TEST(SecondPassTest, CarriedCellKeepsItsOtherAttributesButRecordsNoSpanAgain) {
  // Row 2's copy of the cell has lost "rowspan=2": were it recorded again, it
  // would cover row 3 as well.
  EXPECT_EQ(Grid("x>⏎<tr a>⏎<td class=k rowspan=2 w=1><b>a</b></td>⏎<td w>b</td>⏎</tr>⏎"
                 "<tr a>⏎<td w>c</td>⏎</tr>⏎<tr a>⏎<td w>d</td>⏎<td w>e</td>⏎</tr>⏎"),
            (std::vector<std::vector<std::string>>{
                {"<td>a", "<td>b"}, {"<td>a", "<td>c"}, {"<td>d", "<td>e"}}));
}

TEST(SecondPassTest, ShortRowsAreFilledFromTheirWhitespaceAndEmptyPieces) {
  // Row 2 lacks one cell: its whitespace piece, having no ">", becomes the text.
  // The last row lacks two: its whitespace piece, then the empty last piece
  // ("<td>&nbsp;"). Three short: past the pieces, "<td>&nbsp;" again.
  auto grid = Grid(
      "x>⏎<tr a>⏎<td w>a</td>⏎<td w>b</td>⏎<td w>c</td>⏎</tr>⏎"
      "<tr a>⏎<td w>d</td>⏎<td w>e</td>⏎</tr>⏎"
      "<tr a>⏎<td w>f</td>⏎</tr>⏎");
  ASSERT_EQ(grid.size(), 3u);
  EXPECT_EQ(grid[1], (std::vector<std::string>{"<td>d", "<td>e", U8(R("⏎⏎"))}));
  EXPECT_EQ(grid[2], (std::vector<std::string>{"<td>f", U8(R("⏎⏎")), "<td>"}));

  auto short_last = Grid(
      "x>⏎<tr a>⏎<td w>a</td>⏎<td w>b</td>⏎<td w>c</td>⏎<td w>d</td>⏎</tr>⏎"
      "<tr a>⏎<td w>e</td>⏎</tr>");
  EXPECT_EQ(short_last[1], (std::vector<std::string>{"<td>e", U8(R("⏎")), "<td>", "<td>"}));
}

TEST(SecondPassTest, SurplusCellsAreNotVisited) {
  EXPECT_EQ(Grid("x>⏎<tr a>⏎<td w>a</td>⏎</tr>⏎<tr a>⏎<td w>b</td>⏎<td w>extra</td>⏎</tr>⏎"),
            (std::vector<std::vector<std::string>>{{"<td>a"}, {"<td>b"}}));
}

TEST(SecondPassTest, SpanReachingPastTheLastRowAndSpansOfOneOrLess) {
  EXPECT_EQ(Grid("x>⏎<tr a>⏎<td rowspan=50>a</td>⏎<td w>b</td>⏎</tr>⏎<tr a>⏎<td w>c</td>⏎</tr>"),
            (std::vector<std::vector<std::string>>{{"<td>a", "<td>b"}, {"<td>a", "<td>c"}}));
  for (std::string span : {"1", "0", "-3"}) {
    EXPECT_EQ(Grid("x>⏎<tr a>⏎<td rowspan=" + span +
                   ">a</td>⏎<td w>b</td>⏎</tr>⏎"
                   "<tr a>⏎<td w>c</td>⏎<td w>d</td>⏎</tr>⏎"),
              (std::vector<std::vector<std::string>>{{"<td>a", "<td>b"}, {"<td>c", "<td>d"}}));
  }
}

TEST(SecondPassTest, MarkupWithoutCloseBracketIsItsOwnTextUnchanged) {
  // Without a ">" no span attribute has an end, so nothing is cut or repeated.
  auto grid = Grid("x>⏎<tr a><td colspan=2 z</td>⏎<td w>b</td>⏎</tr>⏎");
  EXPECT_EQ(grid, (std::vector<std::vector<std::string>>{{"<td colspan=2 z", "<td>b"}}));
}

// Cases the design leaves open, decided.

TEST(DecidedTest, SpanValuesThatDoNotConvertCountAsOneAndSingleQuotesAreDropped) {
  EXPECT_EQ(Grid("x>⏎<tr a>⏎<td colspan='2'>a</td>⏎</tr>⏎")[0].size(), 2u);
  EXPECT_EQ(Grid("x>⏎<tr a>⏎<td colspan=two>a</td>⏎</tr>⏎")[0].size(), 1u);
  EXPECT_EQ(Grid("x>⏎<tr a>⏎<td w>colspan of the table</td>⏎</tr>⏎")[0].size(), 1u);
  EXPECT_EQ(Grid("x>⏎<tr a>⏎<td rowspan='2'>a</td>⏎<td w>b</td>⏎</tr>⏎<tr a>⏎<td w>c</td>⏎</tr>⏎"),
            (std::vector<std::vector<std::string>>{{"<td>a", "<td>b"}, {"<td>a", "<td>c"}}));
  EXPECT_EQ(Grid("x>⏎<tr a>⏎<td rowspan=x>a</td>⏎<td w>b</td>⏎</tr>⏎<tr a>⏎<td w>c</td>⏎</tr>⏎")[1],
            (std::vector<std::string>{"<td>c", U8(R("⏎⏎"))}));
}

TEST(DecidedTest, HugeSpansAreCapped) {
  Recorder recorder;
  IsolatedRows rows;
  ASSERT_TRUE(
      IsolateRows(R("x>⏎<tr a>⏎<td colspan=99999999999>a</td>⏎</tr>⏎"), recorder, &rows).ok());
  EXPECT_EQ(rows.colBound + 1, kMaxColumnSpan);
  auto grid = Grid(
      "x>⏎<tr a>⏎<td rowspan=4000000000>a</td>⏎<td w>b</td>⏎</tr>⏎"
      "<tr a>⏎<td w>c</td>⏎</tr>⏎");
  EXPECT_EQ(grid[1][0], "<td>a");
}

TEST(DecidedTest, RowTagWithoutAnyCellAfterItIsReducedAndTheRewriteEnds) {
  Recorder recorder;
  IsolatedRows& rows =
      Isolate("x>⏎<tr a>⏎<td w>a</td>⏎</tr>⏎<tr class=tail>after⏎<tr b>", recorder);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(U8(rows.RowText(1)), U8(R("after⏎</td>")));
  EXPECT_EQ(recorder.Only("status 正在处理").back(), "status 正在处理tr标签0");
}

TEST(DecidedTest, NoRowNoColumnOrTooManyColumnsStopBeforeAnyCell) {
  struct Case {
    std::string table;
    ErrorNumber expected;
  };
  std::string wide = "x>⏎<tr a>⏎";
  for (int i = 0; i < 33; ++i) wide += "<td colspan=1000>a</td>";
  wide += "⏎";
  for (const Case& c :
       {Case{"", ErrorNumber::kNoRows}, Case{"border=1><p>no rows here</p>", ErrorNumber::kNoRows},
        Case{"x>⏎<tr a>", ErrorNumber::kNoColumns},
        Case{"x>⏎<tr>⏎<tr a><td w>b</td>", ErrorNumber::kNoColumns},
        Case{wide, ErrorNumber::kTooManyColumns}}) {
    Recorder recorder;
    Status status = ConvertTable(R(c.table), recorder, recorder);
    EXPECT_EQ(status.number(), c.expected) << c.table.substr(0, 40);
    EXPECT_FALSE(status.description().empty());
    EXPECT_TRUE(recorder.Only("begin").empty());
    EXPECT_TRUE(recorder.Only("cell").empty());
  }
}

// A sink that only counts, for tables too large to record.
class CountingSink : public TableSink {
 public:
  int64_t cells = 0, rows = 0;
  bool finished = false;
  Status BeginRows() override { return Status(); }
  Status Cell(int64_t, std::u16string_view) override {
    ++cells;
    return Status();
  }
  Status EndRow(int64_t) override {
    ++rows;
    return Status();
  }
  Status Finish() override {
    finished = true;
    return Status();
  }
};

// Spans let a little markup stand for a great many cells; past the budget the
// conversion stops with kMarkupTooLarge instead of working for hours.
TEST(BudgetTest, SpansCannotExpandATableBeyondItsCellBudget) {
  // 2,000 columns from two cells, then 1,001 empty rows: 2,004,000 cells.
  std::string wide_and_long = "x>⏎<tr a>⏎<td colspan=1000>a</td><td colspan=1000>b</td>⏎";
  for (int r = 0; r < 1001; ++r) wide_and_long += "<tr a>⏎";
  Recorder recorder;
  Status status = ConvertTable(R(wide_and_long), recorder, recorder);
  EXPECT_EQ(status.number(), ErrorNumber::kMarkupTooLarge) << status.ToString();
  EXPECT_NE(status.description().find("2000000 cells"), std::string::npos) << status.ToString();
  EXPECT_TRUE(recorder.Only("begin").empty()) << "refused before any cell is handed on";

  // One column, but every later row repeats a cell a thousand times: the
  // first pass stops making copies at the budget.
  std::string copies = "x>⏎<tr a>⏎<td w>a</td>⏎";
  for (int r = 0; r < 2100; ++r) copies += "<tr a>⏎<td colspan=1000>b</td>⏎";
  CountingSink sink;
  SilentProgress quiet;
  status = ConvertTable(R(copies), sink, quiet);
  EXPECT_EQ(status.number(), ErrorNumber::kMarkupTooLarge) << status.ToString();
  EXPECT_EQ(sink.cells, 0);

  // Just below the budget the same shapes convert.
  std::string within = "x>⏎<tr a>⏎<td colspan=1000>a</td>⏎";
  for (int r = 0; r < 1999; ++r) within += "<tr a>⏎";
  status = ConvertTable(R(within), sink, quiet);
  EXPECT_TRUE(status.ok()) << status.ToString();
  EXPECT_EQ(sink.rows, 2000);
}

TEST(BudgetTest, ACellCarriedDownWithHugeMarkupStopsAtTheCharacterBudget) {
  // One megabyte of text in a cell spanning 65,534 rows, then 200 short rows:
  // carried into every one, it would make 200 MB of rows from 1 MB of markup.
  std::u16string table = R("x>⏎<tr a>⏎<td rowspan=65534>");
  table.append(size_t{1} << 20, u'z');
  table += R("</td><td w>a</td>⏎");
  for (int r = 0; r < 200; ++r) table += R("<tr a>⏎<td w>b</td>⏎");
  CountingSink sink;
  SilentProgress quiet;
  Status status = ConvertTable(table, sink, quiet);
  EXPECT_EQ(status.number(), ErrorNumber::kMarkupTooLarge) << status.ToString();
  EXPECT_GT(sink.rows, 10) << "rows within the budget went through first";
  EXPECT_LT(sink.rows, 200);
  EXPECT_FALSE(sink.finished);
}

// Found by the conversion fuzz target: cutting "rowspan=2" from "</tdrowspan=2>"
// leaves a "</td>" in the carried markup, and the rows it is carried into are
// split there, as every rebuilt row is, so they have one cell more.
TEST(DecidedTest, ACarriedCellThatHoldsACellEndWidensTheRowsItIsCarriedInto) {
  EXPECT_EQ(Grid("x>⏎<tr a>⏎<td w>a</tdrowspan=2>b</td><td w>c</td>⏎<tr a>⏎<td w>d</td>⏎"),
            (std::vector<std::vector<std::string>>{{"<td>ab", "<td>c"}, {"<td>a", "b", "<td>d"}}));
}

TEST(DecidedTest, CarriedMarkupHoldingTheOldEntrySeparatorsStaysIntact) {
  EXPECT_EQ(Grid("x>⏎<tr a>⏎<td rowspan=2>a&==&b&--&c</td>⏎<td w>d</td>⏎</tr>⏎"
                 "<tr a>⏎<td w>e</td>⏎</tr>⏎")[1],
            (std::vector<std::string>{"<td>a&==&b&--&c", "<td>e"}));
}

TEST(DecidedTest, AFailingYieldOrSinkEndsTheRunAtOnce) {
  Recorder recorder;
  recorder.fail_yield_at = 3;
  Status status = ConvertTable(R(kColspanExample), recorder, recorder);
  EXPECT_EQ(status.number(), ErrorNumber::kRunCancelled);
  EXPECT_TRUE(recorder.Only("cell").empty());

  class FailingSink : public Recorder {
    Status EndRow(int64_t /*i*/) override {
      return Status(ErrorNumber::kStatementFailed, "no such column: field9");
    }
  } failing;
  status = ConvertTable(R(kColspanExample), failing, failing);
  EXPECT_EQ(status.number(), ErrorNumber::kStatementFailed);
  EXPECT_TRUE(failing.Only("finish").empty());
  EXPECT_EQ(failing.Only("status 2").size(), 1u);  // only the first pass reached row 2
}

}  // namespace
}  // namespace quillmere

namespace quillmere {
namespace {

// The working text's one-sweep tag removal against four plain replace-alls,
// on random strings built from tag fragments, joins across gaps included.
TEST(WorkingTextTest, AgreesWithFourReplaceAllsInARow) {
  const std::vector<std::u16string> fragments = {
      u"</table>", u"</tr>", u"</thead>", u"<thead>", u"</TR>", u"<",    u"/", u"t",
      u"r",        u">",     u"able>",    u"head>",   u"x",     u"\r\n", u" "};
  EXPECT_EQ(conversion_detail::WorkingText(u"</t</table>r>"), u"");
  EXPECT_EQ(conversion_detail::WorkingText(u"<</tr>thead>"), u"");
  EXPECT_EQ(conversion_detail::WorkingText(u"</tr</tr>>"), u"</tr>");
  std::mt19937 rng(11);
  for (int round = 0; round < 20000; ++round) {
    std::u16string s;
    for (int n = rng() % 10; n > 0; --n) s += fragments[rng() % fragments.size()];
    std::u16string expected = text::Lowercase(s);
    for (std::u16string_view tag : {u"</table>", u"</tr>", u"</thead>", u"<thead>"}) {
      expected = text::ReplaceAll(expected, tag, u"");
    }
    ASSERT_EQ(U8(conversion_detail::WorkingText(s)), U8(expected)) << U8(s);
  }
}

}  // namespace
}  // namespace quillmere
