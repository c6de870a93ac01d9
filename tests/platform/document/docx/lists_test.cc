// Lists and notes of .docx documents: the labels of the real documents in
// the fixtures' lists/ folder against the ones Word wrote for them, and
// footnote and endnote marks in a built document.
#include <gtest/gtest.h>

#include <iostream>

#include "platform/document/docx/reader.h"
#include "platform/document/list_fixtures.h"

namespace quillmere::document {
namespace {

TEST(DocxListsTest, LabelsAreWordsOwnInTheListFixtures) {
  QM_REQUIRE_FIXTURE("lists");
  int word = 0, matched = 0;
  for (const testing::ListFixture& fixture : testing::ListFixtures(".docx")) {
    Document document;
    Status read = ReadDocxDocument(testing::FileBytes(fixture.document), ReadLimits(), &document);
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
