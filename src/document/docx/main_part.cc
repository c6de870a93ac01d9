#include "document/docx/main_part.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "document/docx/content.h"
#include "document/docx/names.h"
#include "document/docx/notes.h"
#include "document/docx/reader.h"
#include "document/docx/table_builder.h"
#include "platform/translation.h"

namespace quillmere::document::docx {

namespace {

// What the children of an element are read as.
enum class Level {
  kDocument,  // the root: its w:body is the body story
  kStory,     // paragraphs and tables: the body
  kTable,     // the grid and the rows
  kRow,       // row properties and cells
  kCell,      // cell properties, paragraphs and tables
};

// An element the reader walks through rather than skips or takes whole.
struct Frame {
  enum class Role {
    kOpens,    // it begins the story, table, row or cell its level reads
    kWraps,    // its content is read as if it stood in its place
    kChooses,  // mc:AlternateContent: one branch is read, the first
  };
  Level level;
  Role role;
  bool chosen = false;  // for kChooses: a branch was taken
};

// Elements that only wrap content of the level they stand at, as the story
// reader takes them.
bool IsWrapper(std::string_view local) {
  return local == "sdt" || local == "sdtContent" || local == "customXml" || local == "smartTag" ||
         local == "hyperlink" || local == "fldSimple" || local == "ins" || local == "moveTo" ||
         local == "dir" || local == "bdo";
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Whether `text` is the beginning of `markup`, cut short.
bool IsStartOf(std::string_view text, std::string_view markup) {
  return text.size() < markup.size() && markup.substr(0, text.size()) == text;
}

// The name a tag begins with, after its "<" or "</".
std::string_view NameOf(std::string_view tag) {
  size_t end = 0;
  while (end < tag.size() && !IsSpace(tag[end]) && tag[end] != '/' && tag[end] != '>') ++end;
  return tag.substr(0, end);
}

// The attributes of a start tag, as name, value, name, value...; values
// as they stand (Word's namespace declarations hold no references).
std::vector<std::string> AttributesOf(std::string_view tag) {
  std::vector<std::string> attributes;
  size_t at = 1 + NameOf(tag.substr(1)).size();
  for (;;) {
    while (at < tag.size() && IsSpace(tag[at])) ++at;
    size_t name = at;
    while (at < tag.size() && !IsSpace(tag[at]) && tag[at] != '=' && tag[at] != '/' &&
           tag[at] != '>') {
      ++at;
    }
    size_t name_end = at;
    while (at < tag.size() && IsSpace(tag[at])) ++at;
    if (name == name_end || at >= tag.size() || tag[at] != '=') break;
    ++at;
    while (at < tag.size() && IsSpace(tag[at])) ++at;
    if (at >= tag.size() || (tag[at] != '"' && tag[at] != '\'')) break;
    size_t value_end = tag.find(tag[at], at + 1);
    if (value_end == std::string_view::npos) break;
    attributes.emplace_back(tag.substr(name, name_end - name));
    attributes.emplace_back(tag.substr(at + 1, value_end - at - 1));
    at = value_end + 1;
  }
  return attributes;
}

Status Corrupt(const std::string& what) {
  return Status(ErrorNumber::kCorruptDocument,
                Fill(Tr("it is a damaged Word 2007+ (.docx) document: its part %1$s %2$s"),
                     kMainDocumentPart, what));
}

}  // namespace

class MainPartReader::Parser {
 public:
  Parser(const ReadLimits& limits, StoryContext* context)
      : limits_(limits), context_(context), out_(context->document) {}

  Status Feed(std::string_view piece) {
    if (!status_.ok()) return status_;
    pending_.append(piece);
    size_t used = Scan();
    pending_.erase(0, used);
    offset_ += used;
    return status_;
  }

  Status Finish() {
    if (!status_.ok()) return status_;
    if (!pending_.empty() || depth_ > 0 || !root_read_) {
      return NotWellFormed(Tr("it ends before its markup does"), offset_ + pending_.size());
    }
    return Status();
  }

 private:
  static constexpr size_t kNone = std::string::npos;

  static Status NotWellFormed(std::string_view what, uint64_t at) {
    return Corrupt(Fill(Tr("is not well-formed XML (%1$s at byte %2$s)."), what, at));
  }

  void Fail(Status status) {
    if (status_.ok()) status_ = std::move(status);
  }

  // Reads the markup and text of `pending_` as far as they are whole;
  // returns how many of its bytes were read.
  size_t Scan() {
    if (!CheckEncoding()) return 0;
    size_t at = 0;
    while (status_.ok()) {
      size_t open = pending_.find('<', at);
      size_t text_end = open == kNone ? pending_.size() : open;
      if (capture_depth_ > 0) capture_.append(pending_, at, text_end - at);
      if (open == kNone) return pending_.size();
      size_t end = ReadMarkup(open);
      if (end == kNone) return open;
      at = end;
    }
    return at;
  }

  // Skips a UTF-8 byte order mark; refuses other encodings, which Word does
  // not write the part in. False until there are bytes enough to tell.
  bool CheckEncoding() {
    if (encoding_checked_) return true;
    if (pending_.size() < 3) return false;
    encoding_checked_ = true;
    if (pending_.compare(0, 3, "\xEF\xBB\xBF") == 0) {
      pending_.erase(0, 3);
      offset_ = 3;
    } else if (pending_[0] == '\0' || pending_[1] == '\0' ||
               static_cast<unsigned char>(pending_[0]) >= 0xFE) {
      Fail(Corrupt(Tr("is not in UTF-8, as Word writes it, and cannot be read.")));
      return false;
    }
    return true;
  }

  // Reads the markup at `open` (a "<"); returns where it ends, or kNone
  // when it is not all there yet (or is refused).
  size_t ReadMarkup(size_t open) {
    std::string_view rest = std::string_view(pending_).substr(open);
    if (rest.size() < 2) return kNone;
    size_t end = kNone;
    if (rest[1] == '?') {
      end = Passage(open, 2, "?>");
    } else if (rest[1] == '!') {
      constexpr std::string_view kComment = "<!--", kData = "<![CDATA[";
      if (rest.substr(0, kComment.size()) == kComment) {
        end = Passage(open, kComment.size(), "-->");
      } else if (rest.substr(0, kData.size()) == kData) {
        end = Passage(open, kData.size(), "]]>");
      } else if (!IsStartOf(rest, kComment) && !IsStartOf(rest, kData)) {
        Fail(Corrupt(Tr("declares a document type, which Word never writes, and is refused.")));
      }
    } else {
      size_t close = TagEnd(open);
      if (close == kNone) return kNone;
      end = close + 1;
      std::string_view tag = std::string_view(pending_).substr(open, end - open);
      if (tag[1] == '/') {
        End(NameOf(tag.substr(2)), tag, offset_ + open);
      } else {
        Start(NameOf(tag.substr(1)), tag, offset_ + open);
        if (tag[tag.size() - 2] == '/') End(NameOf(tag.substr(1)), {}, offset_ + open);
      }
    }
    if (end != kNone) scanned_ = 0;
    return end;
  }

  // A comment, processing instruction or CDATA section: it ends at
  // `terminator`. Inside an element taken whole it goes to that element's
  // tree; elsewhere it is nothing the reader needs.
  size_t Passage(size_t open, size_t opening, std::string_view terminator) {
    size_t from =
        open + std::max(opening, scanned_ > terminator.size() ? scanned_ - terminator.size() : 0);
    size_t found = pending_.find(terminator, from);
    if (found == kNone) {
      scanned_ = pending_.size() - open;
      return kNone;
    }
    size_t end = found + terminator.size();
    if (capture_depth_ > 0) capture_.append(pending_, open, end - open);
    return end;
  }

  // The ">" that ends the tag at `open`: the first outside quoted attribute
  // values. The search goes on where it stopped when more bytes come.
  size_t TagEnd(size_t open) {
    for (size_t i = open + std::max<size_t>(1, scanned_); i < pending_.size(); ++i) {
      char c = pending_[i];
      if (quote_ != 0) {
        if (c == quote_) quote_ = 0;
      } else if (c == '"' || c == '\'') {
        quote_ = c;
      } else if (c == '>') {
        return i;
      } else if (c == '<') {
        Fail(NotWellFormed(Tr("a tag is not closed"), offset_ + i));
        return kNone;
      }
    }
    scanned_ = pending_.size() - open;
    return kNone;
  }

  void Start(std::string_view name, std::string_view tag, uint64_t at) {
    if (!status_.ok()) return;
    if (name.empty()) return Fail(NotWellFormed(Tr("a tag has no name"), at));
    if (++depth_ > limits_.max_xml_depth) {
      return Fail(Corrupt(Fill(Tr("nests its elements more than %s levels deep and is refused."),
                               limits_.max_xml_depth)));
    }
    open_names_.push_back(open_name_bytes_.size());
    open_name_bytes_.append(name);
    if (skip_depth_ > 0) return;
    if (capture_depth_ > 0) {
      capture_.append(tag);
      return;
    }
    if (root_read_) {
      skip_depth_ = depth_;  // what follows the root element
      return;
    }
    if (frames_.empty()) return StartDocument(name, tag);
    Frame& parent = frames_.back();
    const Level level = parent.level;
    if (parent.role == Frame::Role::kChooses) {
      std::string_view branch = names_->Compat(name);
      if ((branch == "Choice" || branch == "Fallback") && !parent.chosen) {
        parent.chosen = true;
        frames_.push_back({level, Frame::Role::kWraps});
      } else {
        skip_depth_ = depth_;
      }
      return;
    }
    std::string_view local = names_->Word(name);
    if (level == Level::kDocument) {
      if (local == "body" && !body_read_) {
        body_read_ = true;
        content_->BeginStory();
        frames_.push_back({Level::kStory, Frame::Role::kOpens});
      } else {
        skip_depth_ = depth_;
      }
      return;
    }
    if (IsWrapper(local)) return frames_.push_back({level, Frame::Role::kWraps});
    if (names_->Compat(name) == "AlternateContent") {
      return frames_.push_back({level, Frame::Role::kChooses});
    }
    switch (level) {
      case Level::kStory:
      case Level::kCell:
        if (local == "p" || (local == "tcPr" && level == Level::kCell) ||
            (local == "sectPr" && level == Level::kStory)) {
          return CaptureStart(tag, at);
        }
        if (local == "tbl") {
          tables_.emplace_back(*names_);
          return frames_.push_back({Level::kTable, Frame::Role::kOpens});
        }
        break;
      case Level::kTable:
        if (local == "tblGrid") return CaptureStart(tag, at);
        if (local == "tr") {
          tables_.back().StartRow();
          return frames_.push_back({Level::kRow, Frame::Role::kOpens});
        }
        break;
      case Level::kRow:
        if (local == "trPr") return CaptureStart(tag, at);
        if (local == "tc") {
          tables_.back().StartCell();
          content_->BeginStory();
          return frames_.push_back({Level::kCell, Frame::Role::kOpens});
        }
        break;
      case Level::kDocument:
        break;
    }
    skip_depth_ = depth_;
  }

  void StartDocument(std::string_view name, std::string_view tag) {
    std::vector<std::string> attributes = AttributesOf(tag);
    std::vector<const char*> pointers;
    for (const std::string& text : attributes) pointers.push_back(text.c_str());
    pointers.push_back(nullptr);
    names_ = std::make_unique<WordNames>(pointers.data());
    if (names_->Word(name) != "document") {
      return Fail(Corrupt(Fill(Tr("holds no Word document (its root element is <%s>)."), name)));
    }
    content_ = std::make_unique<ContentReader>(*names_, context_);
    frames_.push_back({Level::kDocument, Frame::Role::kOpens});
  }

  void End(std::string_view name, std::string_view tag, uint64_t at) {
    if (!status_.ok()) return;
    if (open_names_.empty() ||
        std::string_view(open_name_bytes_).substr(open_names_.back()) != name) {
      return Fail(NotWellFormed(Tr("an end tag does not match its start tag"), at));
    }
    open_name_bytes_.resize(open_names_.back());
    open_names_.pop_back();
    const int depth = depth_--;
    if (skip_depth_ > 0) {
      if (depth == skip_depth_) skip_depth_ = 0;
      return;
    }
    if (capture_depth_ > 0) {
      capture_.append(tag);
      if (depth == capture_depth_) CaptureEnd();
      return;
    }
    Frame frame = frames_.back();
    frames_.pop_back();
    if (frame.role != Frame::Role::kOpens) return;
    switch (frame.level) {
      case Level::kDocument:
        root_read_ = true;
        break;
      case Level::kStory:
        content_->EndStory();
        break;
      case Level::kTable: {
        TableBuilder table = std::move(tables_.back());
        tables_.pop_back();
        Status finished = table.Finish(Container());
        if (!finished.ok()) Fail(std::move(finished));
        break;
      }
      case Level::kRow:
        tables_.back().EndRow();
        break;
      case Level::kCell:
        content_->EndStory();
        tables_.back().EndCell();
        break;
    }
  }

  // The blocks of the story being read: the body, or the cell being read.
  std::vector<Block>& Container() {
    return tables_.empty() ? out_->body : tables_.back().CellBlocks();
  }

  // Elements taken whole: their markup is gathered, then parsed into a
  // small tree of their own.
  void CaptureStart(std::string_view tag, uint64_t at) {
    capture_depth_ = depth_;
    capture_at_ = at;
    capture_.assign(tag);
  }

  void CaptureEnd() {
    capture_depth_ = 0;
    // Whitespace is kept where it is an element's only text: <w:t> </w:t>.
    pugi::xml_parse_result parsed = fragment_.load_buffer_inplace(
        capture_.data(), capture_.size(), pugi::parse_default | pugi::parse_ws_pcdata_single,
        pugi::encoding_utf8);
    if (!parsed) return Fail(NotWellFormed(parsed.description(), capture_at_ + parsed.offset));
    Status taken = Take(fragment_.document_element());
    if (!taken.ok()) Fail(std::move(taken));
  }

  Status Take(pugi::xml_node element) {
    std::string_view local = names_->Word(element);
    if (local == "p") return content_->ReadParagraph(element, &Container());
    if (local == "tblGrid") tables_.back().SetGrid(element);
    if (local == "trPr") tables_.back().SetRowProperties(element);
    if (local == "tcPr") tables_.back().SetCellProperties(element);
    if (local == "sectPr" && context_->notes != nullptr) {
      context_->notes->ReadSection(*names_, element);
    }
    return Status();
  }

  const ReadLimits limits_;
  StoryContext* context_;
  Document* out_;
  Status status_;                   // the first failure; nothing is read after it
  std::string pending_;             // bytes not read yet: what follows the last whole markup
  uint64_t offset_ = 0;             // where pending_ begins in the part
  size_t scanned_ = 0;              // of the markup pending_ begins with, the bytes looked at
  char quote_ = 0;                  // in that tag, the quote of the attribute value it is in
  int depth_ = 0;                   // of the element being read, the root's being 1
  std::string open_name_bytes_;     // the names of the open elements, one after the other
  std::vector<size_t> open_names_;  // where each begins
  int skip_depth_ = 0;              // when above 0, the depth of the element being skipped
  int capture_depth_ = 0;           // when above 0, the depth of the element being taken whole
  uint64_t capture_at_ = 0;
  std::string capture_;  // its markup so far
  bool encoding_checked_ = false;
  bool body_read_ = false;
  bool root_read_ = false;
  std::unique_ptr<WordNames> names_;
  std::unique_ptr<ContentReader> content_;
  std::vector<Frame> frames_;
  std::vector<TableBuilder> tables_;  // the tables being read, the innermost last
  pugi::xml_document fragment_;       // the element taken whole, as a tree
};

MainPartReader::MainPartReader(const ReadLimits& limits, StoryContext* context)
    : parser_(std::make_unique<Parser>(limits, context)) {}

MainPartReader::~MainPartReader() = default;

Status MainPartReader::Feed(std::string_view piece) { return parser_->Feed(piece); }

Status MainPartReader::Finish() { return parser_->Finish(); }

}  // namespace quillmere::document::docx
