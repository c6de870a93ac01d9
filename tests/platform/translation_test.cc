#include "platform/translation.h"

#include <gtest/gtest.h>

namespace quillmere {
namespace {

TEST(FillTest, PutsValuesInOrderOrWhereATranslationMovedThem) {
  EXPECT_EQ(Fill("Cannot %s \"%s\": %s.", "open", "/a b", "gone"), "Cannot open \"/a b\": gone.");
  EXPECT_EQ(Fill("表格有 %1$s 列，但“%2$s”只有 %3$s 列。", 4, "db", 2),
            "表格有 4 列，但“db”只有 2 列。");
  EXPECT_EQ(Fill("%2$s then %1$s, 100%%", "b", "a"), "a then b, 100%");
  // A directive without its value, and one the formatter does not know, stay.
  EXPECT_EQ(Fill("%s and %s", "one"), "one and %s");
  EXPECT_EQ(Fill("%d %3$s %", "x"), "%d %3$s %");
  EXPECT_EQ(Fill("%s", "%1$s"), "%1$s") << "a value is never read as a format";
}

TEST(FillTest, SentencesAreJoinedAsTheirScriptJoinsThem) {
  EXPECT_EQ(Sentences("It is gone.", "Make one."), "It is gone. Make one.");
  EXPECT_EQ(Sentences("它不存在。", "新建一个。"), "它不存在。新建一个。");
}

TEST(TranslatorTest, TrIsEnglishUntilATranslatorIsInstalled) {
  EXPECT_STREQ(Tr("open"), "open");
  SetTranslator(
      [](const char* english) { return std::string_view(english) == "open" ? "打开" : english; });
  EXPECT_STREQ(Tr("open"), "打开");
  EXPECT_STREQ(Tr("close"), "close");
  SetTranslator(nullptr);
  EXPECT_STREQ(Tr("open"), "open");
}

}  // namespace
}  // namespace quillmere
