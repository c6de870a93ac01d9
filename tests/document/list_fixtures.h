// Test helper: the list labels of the documents in the fixtures' lists/
// folder, Word's (from the HTML Word put on the clipboard for each, where
// every label stands in a <span style='mso-list:Ignore'>) beside a reader's,
// matched paragraph by paragraph.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "document/model.h"
#include "platform/encoding/unicode.h"
#include "platform/status.h"
#include "support/fixtures.h"

namespace quillmere::document::testing {

struct ListItem {
  std::string label;  // blanks folded, ends trimmed
  std::string text;   // the paragraph's first characters, without blanks
};

// Text without markup, entities decoded; no-break spaces become blanks.
inline std::string PlainText(std::string_view html) {
  std::u16string out;
  for (size_t i = 0; i < html.size();) {
    if (html[i] == '<') {
      size_t end = html.find('>', i);
      i = end == std::string_view::npos ? html.size() : end + 1;
      continue;
    }
    if (html[i] == '&') {
      size_t end = html.find(';', i);
      std::string_view entity = html.substr(i + 1, end - i - 1);
      char16_t c = 0;
      if (entity == "nbsp") c = u' ';
      if (entity == "amp") c = u'&';
      if (entity == "lt") c = u'<';
      if (entity == "gt") c = u'>';
      if (entity == "quot") c = u'"';
      if (!entity.empty() && entity[0] == '#') {
        std::string digits(entity.substr(1));
        c = static_cast<char16_t>(digits[0] == 'x' ? std::stoi(digits.substr(1), nullptr, 16)
                                                   : std::stoi(digits));
      }
      if (c != 0 && end != std::string_view::npos) {
        out += c;
        i = end + 1;
        continue;
      }
    }
    size_t next = std::min(html.find_first_of("<&", i + 1), html.size());
    out += unicode::FromUtf8(html.substr(i, next - i));
    i = next;
  }
  return unicode::ToUtf8(out);
}

inline std::string FoldBlanks(std::string_view text, bool keep_one) {
  std::string out;
  bool blank = false;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      blank = true;
      continue;
    }
    if (blank && keep_one && !out.empty()) out += ' ';
    blank = false;
    out += c;
  }
  return out;
}

// The first characters (UTF-16 units) by which paragraphs are matched.
inline std::string Key(const std::string& text) {
  std::u16string key;
  for (char16_t c : unicode::FromUtf8(text)) {
    if (c > u' ' && c != u'\u00A0' && key.size() < 30) key += c;
  }
  return unicode::ToUtf8(key);
}

inline std::vector<ListItem> WordListItems(const std::string& html) {
  static const std::regex kLabelSpan(R"(<span\s+style=["']mso-list:\s*Ignore["']>)");
  std::vector<ListItem> items;
  for (auto m = std::sregex_iterator(html.begin(), html.end(), kLabelSpan);
       m != std::sregex_iterator(); ++m) {
    size_t at = m->position() + m->length();
    std::string label;
    // Only the span's own text: the padding lies in spans of its own, and a
    // picture bullet is an image, which leaves no text.
    for (int depth = 1; depth > 0 && at < html.size();) {
      if (html[at] != '<') {
        size_t next = html.find('<', at);
        if (depth == 1) label += html.substr(at, next - at);
        at = next;
        continue;
      }
      size_t end = html.find('>', at);
      if (html.compare(at, 5, "<span") == 0) ++depth;
      if (html.compare(at, 6, "</span") == 0) --depth;
      at = end + 1;
    }
    size_t text_start = html.find("endif]", at);
    text_start = html.find('>', text_start) + 1;
    static const std::regex kParagraphEnd(R"(</(p|h\d|li)>)");
    std::smatch end;
    std::string rest = html.substr(text_start, 4000);
    std::string text =
        std::regex_search(rest, end, kParagraphEnd) ? rest.substr(0, end.position()) : rest;
    items.push_back({FoldBlanks(PlainText(label), true), Key(PlainText(text))});
  }
  return items;
}

inline void CollectListItems(const std::vector<Block>& blocks, std::vector<ListItem>& out) {
  for (const Block& block : blocks) {
    if (const auto* paragraph = std::get_if<Paragraph>(&block)) {
      if (!paragraph->list_label) continue;
      std::u16string text;
      for (const Inline& item : paragraph->inlines) text += item.text;
      out.push_back({FoldBlanks(unicode::ToUtf8(paragraph->list_label->text), true),
                     Key(unicode::ToUtf8(text))});
      continue;
    }
    for (const Row& row : std::get<std::unique_ptr<Table>>(block)->rows) {
      for (const Cell& cell : row.cells) CollectListItems(cell.blocks, out);
    }
  }
}

struct LabelComparison {
  int word = 0;     // Word's labels
  int matched = 0;  // of them, the reader's label for the same paragraph is the same
  std::vector<std::string> differences;
};

// Finds each of Word's list paragraphs among the reader's by its first
// characters, in order, and compares their labels.
inline LabelComparison CompareLabels(const std::vector<ListItem>& word, const Document& document) {
  std::vector<ListItem> ours;
  CollectListItems(document.body, ours);
  LabelComparison result;
  size_t next = 0;
  for (const ListItem& expected : word) {
    ++result.word;
    // Word writes some lists as <li> items, without label spans, so a text
    // may stand in the reader's list paragraphs more often than in Word's.
    auto found = std::find_if(ours.begin() + next, ours.end(), [&](const ListItem& item) {
      return item.text == expected.text && item.label == expected.label;
    });
    if (found == ours.end()) {
      found = std::find_if(ours.begin() + next, ours.end(),
                           [&](const ListItem& item) { return item.text == expected.text; });
    }
    if (found == ours.end()) {
      result.differences.push_back("\"" + expected.label + "\" before \"" + expected.text +
                                   "\": no such list paragraph");
      continue;
    }
    next = found - ours.begin() + 1;
    if (found->label == expected.label) {
      ++result.matched;
    } else {
      result.differences.push_back("\"" + expected.label + "\" before \"" + expected.text +
                                   "\": read \"" + found->label + "\"");
    }
  }
  return result;
}

// The documents of lists/ whose names end in `extension`, sorted, each with
// Word's labels from the page beside it.
struct ListFixture {
  std::string name;
  std::filesystem::path document;
  std::vector<ListItem> word;
};

inline std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline std::vector<ListFixture> ListFixtures(const std::string& extension) {
  std::vector<ListFixture> fixtures;
  std::filesystem::path folder = quillmere::testing::FixturePath("lists");
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() != extension) continue;
    std::filesystem::path page = entry.path();
    page.replace_extension(".word.html");
    fixtures.push_back(
        {entry.path().stem().string(), entry.path(), WordListItems(FileBytes(page))});
  }
  std::sort(fixtures.begin(), fixtures.end(),
            [](const ListFixture& a, const ListFixture& b) { return a.name < b.name; });
  return fixtures;
}

// Reads every fixture of lists/ with the extension through `read` and
// expects each of Word's labels, except in the fixtures named in
// `other_documents`, whose pages Word wrote for another version of the
// document. Prints the count per fixture and in all, and every difference.
inline void ExpectWordsLabels(const std::string& extension,
                              const std::function<Status(std::string_view, Document*)>& read,
                              const std::set<std::string>& other_documents) {
  int word = 0, matched = 0;
  for (const ListFixture& fixture : ListFixtures(extension)) {
    Document document;
    Status status = read(FileBytes(fixture.document), &document);
    ASSERT_TRUE(status.ok()) << fixture.name << ": " << status.ToString();
    LabelComparison result = CompareLabels(fixture.word, document);
    std::cout << fixture.name << ": " << result.matched << " of " << result.word << " labels\n";
    for (const std::string& difference : result.differences)
      std::cout << "  " << difference << "\n";
    word += result.word;
    matched += result.matched;
    if (other_documents.count(fixture.name) == 0) {
      EXPECT_EQ(result.matched, result.word) << fixture.name;
      EXPECT_GT(result.word, 0) << fixture.name;
    }
  }
  std::cout << extension << " in all: " << matched << " of " << word << " labels\n";
}

}  // namespace quillmere::document::testing
