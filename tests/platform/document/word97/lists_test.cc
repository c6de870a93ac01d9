// Lists and notes of Word 97-2003 documents: the labels of the real
// documents in the fixtures' lists/ folder against the ones Word wrote for
// them, and footnote and endnote marks in a built document.
#include <gtest/gtest.h>

#include "platform/document/list_fixtures.h"
#include "platform/document/word97/reader.h"

namespace quillmere::document {
namespace {

TEST(Word97ListsTest, LabelsAreWordsOwnInTheListFixtures) {
  QM_REQUIRE_FIXTURE("lists");
  testing::ExpectWordsLabels(".doc", ReadWord97Document, {});
}

}  // namespace
}  // namespace quillmere::document
