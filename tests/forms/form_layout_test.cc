// Labels, values and their names on small forms: with a blank form, taught
// by the documents, from one document; repeating blocks; documents that do
// not fit; a document's record.
#include "forms/form_layout.h"

#include <gtest/gtest.h>

#include "forms/names.h"
#include "platform/encoding/unicode.h"

namespace quillmere::forms {
namespace {

// A cell as a test writes it: its text, and how far it reaches.
struct Spec {
  const char* text;
  int columns = 1;
  int rows = 1;
};
using Rows = std::vector<std::vector<Spec>>;

// A table's cells, each row's cells placed left to right past the columns
// that cells of the rows above still cover.
Cells Table(const Rows& rows, int table = 0, Cells cells = {}) {
  std::vector<int> covered_until(64, 0);
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    int column = 0;
    for (const Spec& spec : rows[r]) {
      while (covered_until[column] > r) ++column;
      cells.push_back(
          {table, r, column, spec.rows, spec.columns, unicode::FromUtf8(spec.text), {}});
      for (int c = column; c < column + spec.columns; ++c) covered_until[c] = r + spec.rows;
      column += spec.columns;
    }
  }
  return cells;
}

std::vector<std::string> Names(const Cells& form, const std::vector<Role>& roles,
                               const Cells* blank = nullptr) {
  std::vector<std::string> names;
  for (const ValuePlace& place : NameValues(form, roles, blank)) {
    names.push_back(unicode::ToUtf8(place.name));
  }
  return names;
}

std::vector<std::string> Labels(const Cells& cells, const std::vector<Role>& roles) {
  std::vector<std::string> labels;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (roles[i] == Role::kLabel) labels.push_back(unicode::ToUtf8(cells[i].text));
  }
  return labels;
}

TEST(FormLayoutTest, ABlankFormsValuesAreNamedByTheLabelLeftOrAbove) {
  const Cells blank = Table({
      {{"姓 名："}, {""}, {"性别"}, {"□男 □女"}},
      {{"出生日期"}, {"年 月 日", 3}},
      {{"住址"}, {"{{address}}"}, {"金额"}, {"万元"}},
      {{"备注", 4}},
      {{"", 4}},
  });
  const std::vector<Role> roles = TemplateRoles(blank);
  EXPECT_EQ(Labels(blank, roles),
            (std::vector<std::string>{"姓 名：", "性别", "出生日期", "住址", "金额", "备注"}));
  EXPECT_EQ(Names(blank, roles, &blank),
            (std::vector<std::string>{"姓名", "性别", "出生日期", "住址", "金额", "备注"}));
  // Where no label stands left or above, a placeholder's own name.
  const Cells lone = Table({{{"{{remark}}"}}});
  EXPECT_EQ(Names(lone, TemplateRoles(lone), &lone), (std::vector<std::string>{"remark"}));
}

TEST(FormLayoutTest, RepeatingBlocksNameValuesByHeadingAndRow) {
  Cells form = Table({
      {{"家庭成员", 1, 4}, {"姓名"}, {"关系"}, {"电话"}},
      {{""}, {""}, {""}},
      {{""}, {""}, {""}},
      {{""}, {""}, {""}},
  });
  // A block whose rows have their own labels, over two columns of values
  // and over one.
  form = Table({{{"知识产权", 1, 3}, {"类型"}, {"已申请"}, {"已授权"}},
                {{"发明"}, {""}, {""}},
                {{"实用新型"}, {""}, {""}}},
               1, form);
  form = Table({{{"项目"}, {"得分"}}, {{"篇章"}, {""}}, {{"观点"}, {""}}}, 2, form);
  EXPECT_EQ(Names(form, TemplateRoles(form), &form),
            (std::vector<std::string>{"姓名_1", "关系_1", "电话_1", "姓名_2", "关系_2", "电话_2",
                                      "姓名_3", "关系_3", "电话_3", "发明_已申请", "发明_已授权",
                                      "实用新型_已申请", "实用新型_已授权", "篇章", "观点"}));
}

TEST(FormLayoutTest, WithoutABlankFormTheDocumentsTeachTheLabels) {
  const Rows first = {{{"姓名"}, {"张三"}, {"邮编"}, {"200001"}},
                      {{"备注"}, {""}, {"☑是 □否"}, {"同"}}};
  const Rows second = {{{"姓名"}, {"李四"}, {"邮编"}, {"200001"}},
                       {{"备注"}, {""}, {"☑是 □否"}, {"同"}}};
  Comparison comparison(Table(first));
  comparison.Add(Table(first));
  comparison.Add(Table(second));
  const std::vector<Role> roles = comparison.Roles();
  // The same everywhere: a label, unless empty (nothing), options or a
  // quantity (a value).
  EXPECT_EQ(Labels(comparison.first(), roles),
            (std::vector<std::string>{"姓名", "邮编", "备注", "同"}));
  EXPECT_EQ(Names(comparison.first(), roles), (std::vector<std::string>{"姓名", "邮编", "备注"}));
}

TEST(FormLayoutTest, OneDocumentAlternatesLabelsAndValuesAndFindsBlocks) {
  const Cells cells = Table({
      {{"基本情况", 1, 2}, {"姓名"}, {"张三"}, {"性别"}, {"男"}},
      {{"电话："}, {"138"}, {"民族"}, {"汉"}},
      {{"序号"}, {"姓名"}, {"年龄", 3}},
      {{"1"}, {"王五"}, {"30", 3}},
      {{"2"}, {""}, {"", 3}},
  });
  const std::vector<Role> roles = SingleDocumentRoles(cells);
  EXPECT_EQ(Labels(cells, roles), (std::vector<std::string>{"基本情况", "姓名", "性别", "电话：",
                                                            "民族", "序号", "姓名", "年龄"}));
  EXPECT_EQ(Names(cells, roles),
            (std::vector<std::string>{"姓名", "性别", "电话", "民族", "序号_1", "姓名_1", "年龄_1",
                                      "序号_2", "姓名_2", "年龄_2"}));
}

TEST(FormLayoutTest, AMisfitNamesTheLabelWhereTheDocumentParts) {
  const Rows rows = {{{"姓名"}, {""}}, {{"性别"}, {""}}};
  const Cells blank = Table(rows);
  const std::vector<Role> roles = TemplateRoles(blank);
  EXPECT_EQ(FindMisfit(blank, roles, Table({{{"姓名"}, {"张三"}}, {{"性别"}, {"男"}}}), true).kind,
            Misfit::Kind::kNone);

  Misfit misfit = FindMisfit(blank, roles, Table({{{"姓名"}, {"张三"}}}), true);
  EXPECT_EQ(misfit.kind, Misfit::Kind::kRows);
  EXPECT_EQ(misfit.label, u"性别");
  EXPECT_EQ(misfit.found, 1);
  EXPECT_EQ(misfit.expected, 2);

  misfit = FindMisfit(blank, roles, Table({{{"姓名"}, {"张三"}}, {{"性别"}, {"男"}, {"x"}}}), true);
  EXPECT_EQ(misfit.kind, Misfit::Kind::kCells);
  EXPECT_EQ(misfit.row, 1);
  EXPECT_EQ(misfit.label, u"性别");

  const Cells changed = Table({{{"名字"}, {"张三"}}, {{"性别"}, {"男"}}});
  misfit = FindMisfit(blank, roles, changed, true);
  EXPECT_EQ(misfit.kind, Misfit::Kind::kLabel);
  EXPECT_EQ(misfit.label, u"姓名");
  EXPECT_EQ(misfit.text, u"名字");
  EXPECT_EQ(FindMisfit(blank, roles, changed, false).kind, Misfit::Kind::kNone);

  misfit = FindMisfit(Table({{{"x"}}}, 1, blank), TemplateRoles(Table({{{"x"}}}, 1, blank)),
                      changed, false);
  EXPECT_EQ(misfit.kind, Misfit::Kind::kTables);
  EXPECT_EQ(misfit.label, u"x");
}

TEST(FormLayoutTest, ARecordHoldsChosenOptionsAndNothingForHintsAndPlaceholders) {
  const Cells blank = Table({{{"性别"}, {"□男 □女"}, {"日期"}, {"年 月 日"}},
                             {{"名称"}, {"{{name}}"}, {"属于"}, {"□是 ■否"}},
                             {{"面积"}, {"M²"}}});
  const std::vector<ValuePlace> places = NameValues(blank, TemplateRoles(blank), &blank);
  auto record = [&](const Rows& rows) {
    std::vector<std::string> values;
    for (const std::u16string& value : ReadRecord(Table(rows), places, &blank)) {
      values.push_back(unicode::ToUtf8(value));
    }
    return values;
  };
  EXPECT_EQ(record({{{"性别"}, {"□男 ☑女"}, {"日期"}, {"2024年1月2日"}},
                    {{"名称"}, {"甲"}, {"属于"}, {"☑是 □否"}},
                    {{"面积"}, {"12平方米"}}}),
            (std::vector<std::string>{"女", "2024年1月2日", "甲", "是", "12平方米"}));
  // Left as the blank form has it: nothing, but a choice made in the blank
  // form stands.
  EXPECT_EQ(record({{{"性别"}, {"□男 □女"}, {"日期"}, {"年 月 日"}},
                    {{"名称"}, {"{{name}}"}, {"属于"}, {"□是 ■否"}},
                    {{"面积"}, {"M²"}}}),
            (std::vector<std::string>{"", "", "", "否", ""}));
}

}  // namespace
}  // namespace quillmere::forms
