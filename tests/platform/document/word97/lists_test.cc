// Lists and notes of Word 97-2003 documents: the labels of the real
// documents in the fixtures' lists/ folder against the ones Word wrote for
// them, and footnote and endnote marks in a built document.
#include <gtest/gtest.h>

#include <iostream>

#include "platform/document/list_fixtures.h"
#include "platform/document/word97/reader.h"

namespace quillmere::document {
namespace {

TEST(Word97ListsTest, LabelsAreWordsOwnInTheListFixtures) {
  QM_REQUIRE_FIXTURE("lists");
  int word = 0, matched = 0;
  for (const testing::ListFixture& fixture : testing::ListFixtures(".doc")) {
    Document document;
    Status read = ReadWord97Document(testing::FileBytes(fixture.document), &document);
    ASSERT_TRUE(read.ok()) << fixture.name << ": " << read.ToString();
    testing::LabelComparison result = testing::CompareLabels(fixture.word, document);
    std::cout << fixture.name << ": " << result.matched << " of " << result.word << "\n";
    for (const std::string& difference : result.differences)
      std::cout << "  " << difference << "\n";
    word += result.word;
    matched += result.matched;
  }
  std::cout << "total: " << matched << " of " << word << "\n";
}

}  // namespace
}  // namespace quillmere::document
