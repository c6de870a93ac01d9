// The tag scanner on parts cut anywhere: what the handler sees does not
// depend on where the pieces end, and the part is refused where it goes
// wrong.
#include "document/docx/tag_scanner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillmere::document::docx {
namespace {

// Writes down what the scanner hands over, content run together; fails the
// start of an element named "fail".
class Recorder : public TagScanner::Handler {
 public:
  Status StartElement(std::string_view name, std::string_view tag, int depth,
                      uint64_t at) override {
    if (name == "fail") return Status(ErrorNumber::kCorruptDocument, "refused by the handler");
    Flush();
    events.push_back(std::to_string(depth) + " " + std::string(tag) + " @" + std::to_string(at));
    return Status();
  }
  Status EndElement(std::string_view tag, int depth) override {
    Flush();
    events.push_back(std::to_string(depth) + " end " + std::string(tag));
    return Status();
  }
  void Content(std::string_view markup) override { content_.append(markup); }

  void Flush() {
    if (!content_.empty()) events.push_back("content " + content_);
    content_.clear();
  }

  std::vector<std::string> events;

 private:
  std::string content_;
};

// Feeds `part` in pieces of `piece` bytes; the status of Finish.
Status Scan(std::string_view part, size_t piece, Recorder* recorder, int max_depth = 8) {
  TagScanner scanner("word/document.xml", max_depth, recorder);
  for (size_t at = 0; at < part.size(); at += piece) {
    Status fed = scanner.Feed(part.substr(at, piece));
    if (!fed.ok()) return fed;
  }
  Status finished = scanner.Finish();
  recorder->Flush();
  return finished;
}

TEST(TagScannerTest, WhatTheHandlerSeesDoesNotDependOnWhereThePartIsCut) {
  const std::string part =
      "\xEF\xBB\xBF<?xml version=\"1.0\"?><w:document a=\"x>y\" b='\"'>"
      "<!-- <w:p> --><w:p>t&amp;<![CDATA[<]]]]>x</w:p><w:br/></w:document> <!-- after -->";
  Recorder whole;
  ASSERT_TRUE(Scan(part, part.size(), &whole).ok());
  EXPECT_EQ(whole.events, (std::vector<std::string>{
                              "content <?xml version=\"1.0\"?>",
                              "1 <w:document a=\"x>y\" b='\"'> @24",
                              "content <!-- <w:p> -->",
                              "2 <w:p> @64",
                              "content t&amp;<![CDATA[<]]]]>x",
                              "2 end </w:p>",
                              "2 <w:br/> @97",
                              "2 end ",
                              "1 end </w:document>",
                          }));
  for (size_t piece : {1, 2, 3, 7}) {
    Recorder cut;
    ASSERT_TRUE(Scan(part, piece, &cut).ok()) << piece;
    EXPECT_EQ(cut.events, whole.events) << "in pieces of " << piece;
  }
}

TEST(TagScannerTest, WhatFollowsTheRootIsCheckedButNotHandedOn) {
  Recorder after;
  EXPECT_TRUE(Scan("<r/><x><y/></x>", 1, &after).ok());
  EXPECT_EQ(after.events, (std::vector<std::string>{"1 <r/> @0", "1 end "}));
  Recorder wrong;
  EXPECT_NE(Scan("<r/><x></y>", 1, &wrong).description().find("does not match"), std::string::npos);
}

TEST(TagScannerTest, RefusesWhereThePartGoesWrong) {
  struct Case {
    std::string part;
    std::string says;
  };
  for (const Case& c : {
           Case{"<r><a></b></r>", "an end tag does not match its start tag at byte 6"},
           Case{"<r><a </r>", "a tag is not closed at byte 6"},
           Case{"<r>< /></r>", "a tag has no name at byte 3"},
           Case{"<r><a>", "it ends before its markup does at byte 6"},
           Case{"", "it ends before its markup does at byte 0"},
           Case{"<!DOCTYPE r><r/>", "declares a document type"},
           Case{std::string("<\0r\0/\0>\0", 8), "is not in UTF-8"},
           Case{"<a><a><a><a><a>", "nests its elements more than 4 levels deep"},
           Case{"<r><fail/></r>", "refused by the handler"},
       }) {
    for (size_t piece : {size_t{1}, c.part.size() + 1}) {
      Recorder recorder;
      Status status = Scan(c.part, piece, &recorder, 4);
      EXPECT_EQ(status.number(), ErrorNumber::kCorruptDocument) << c.part;
      EXPECT_NE(status.description().find(c.says), std::string::npos) << status.ToString();
    }
  }
}

}  // namespace
}  // namespace quillmere::document::docx
