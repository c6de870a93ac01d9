#include "document/docx/main_part.h"

#include <memory>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "document/docx/content.h"
#include "document/docx/names.h"
#include "document/docx/notes.h"
#include "document/docx/reader.h"
#include "document/docx/table_builder.h"
#include "document/docx/tag_scanner.h"
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
  bool chosen = false;   // for kChooses: a branch was taken
  bool control = false;  // for kWraps: a content control (w:sdt)
};

// Elements that only wrap content of the level they stand at, as the story
// reader takes them.
bool IsWrapper(std::string_view local) {
  return local == "sdt" || local == "sdtContent" || local == "customXml" || local == "smartTag" ||
         local == "hyperlink" || local == "fldSimple" || local == "ins" || local == "moveTo" ||
         local == "dir" || local == "bdo";
}

}  // namespace

// What the tags of the part make of the body.
class MainPartReader::Body : public TagScanner::Handler {
 public:
  explicit Body(StoryContext* context) : context_(context), out_(context->document) {}

  Status StartElement(std::string_view name, std::string_view tag, int depth,
                      uint64_t at) override {
    if (skip_depth_ > 0) return Status();
    if (capture_depth_ > 0) {
      capture_.append(tag);
      return Status();
    }
    if (frames_.empty()) return StartDocument(name, tag);
    Enter(name, tag, depth, at);
    return Status();
  }

  Status EndElement(std::string_view tag, int depth) override {
    if (skip_depth_ > 0) {
      if (depth == skip_depth_) skip_depth_ = 0;
      return Status();
    }
    if (capture_depth_ > 0) {
      capture_.append(tag);
      return depth == capture_depth_ ? CaptureEnd() : Status();
    }
    Frame frame = frames_.back();
    frames_.pop_back();
    if (frame.control) content_->EndControl();
    if (frame.role != Frame::Role::kOpens) return Status();
    switch (frame.level) {
      case Level::kDocument:
        break;
      case Level::kStory:
        content_->EndStory();
        break;
      case Level::kTable: {
        TableBuilder table = std::move(tables_.back());
        tables_.pop_back();
        return table.Finish(Container(), context_->table_keys);
      }
      case Level::kRow:
        tables_.back().EndRow();
        break;
      case Level::kCell:
        content_->EndStory();
        tables_.back().EndCell();
        break;
    }
    return Status();
  }

  // Inside an element taken whole, its text and the like go to its tree;
  // elsewhere they are nothing the reader needs.
  void Content(std::string_view markup) override {
    if (capture_depth_ > 0) capture_.append(markup);
  }

 private:
  Status StartDocument(std::string_view name, std::string_view tag) {
    std::vector<std::string> attributes = AttributesOf(tag);
    std::vector<const char*> pointers;
    for (const std::string& text : attributes) pointers.push_back(text.c_str());
    pointers.push_back(nullptr);
    names_ = std::make_unique<WordNames>(pointers.data());
    if (names_->Word(name) != "document") {
      return DamagedPart(kMainDocumentPart,
                         Fill(Tr("holds no Word document (its root element is <%s>)."), name));
    }
    content_ = std::make_unique<ContentReader>(*names_, context_);
    frames_.push_back({Level::kDocument, Frame::Role::kOpens});
    return Status();
  }

  // An element inside the root, at `depth`: it opens the story, table, row
  // or cell its parent reads, is taken whole, is walked through, or is
  // skipped.
  void Enter(std::string_view name, std::string_view tag, int depth, uint64_t at) {
    Frame& parent = frames_.back();
    const Level level = parent.level;
    if (parent.role == Frame::Role::kChooses) {
      std::string_view branch = names_->Compat(name);
      bool readable = branch == "Fallback" || (branch == "Choice" && Understood(tag));
      if (readable && !parent.chosen) {
        parent.chosen = true;
        frames_.push_back({level, Frame::Role::kWraps});
      } else {
        skip_depth_ = depth;
      }
      return;
    }
    std::string_view local = names_->Word(name);
    if (parent.control && local == "sdtPr") return CaptureStart(tag, depth, at);
    if (level == Level::kDocument) {
      if (local == "body" && !body_read_) {
        body_read_ = true;
        content_->BeginStory();
        frames_.push_back({Level::kStory, Frame::Role::kOpens});
      } else {
        skip_depth_ = depth;
      }
      return;
    }
    if (local == "sdt") {
      content_->BeginControl();
      return frames_.push_back({level, Frame::Role::kWraps, false, true});
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
          return CaptureStart(tag, depth, at);
        }
        if (local == "tbl") {
          tables_.emplace_back(*names_);
          return frames_.push_back({Level::kTable, Frame::Role::kOpens});
        }
        break;
      case Level::kTable:
        if (local == "tblGrid" || local == "tblPr") return CaptureStart(tag, depth, at);
        if (local == "tr") {
          tables_.back().StartRow();
          return frames_.push_back({Level::kRow, Frame::Role::kOpens});
        }
        break;
      case Level::kRow:
        if (local == "trPr") return CaptureStart(tag, depth, at);
        if (local == "tc") {
          tables_.back().StartCell();
          content_->BeginStory();
          return frames_.push_back({Level::kCell, Frame::Role::kOpens});
        }
        break;
      case Level::kDocument:
        break;
    }
    skip_depth_ = depth;
  }

  // Whether Word reads the mc:Choice of start tag `tag` (see
  // WordNames::Understands).
  bool Understood(std::string_view tag) const {
    std::vector<std::string> attributes = AttributesOf(tag);
    for (size_t i = 0; i + 1 < attributes.size(); i += 2) {
      if (attributes[i] == "Requires") return names_->Understands(attributes[i + 1]);
    }
    return true;
  }

  // The blocks of the story being read: the body, or the cell being read.
  std::vector<Block>& Container() {
    return tables_.empty() ? out_->body : tables_.back().CellBlocks();
  }

  // Elements taken whole: their markup is gathered, then parsed into a
  // small tree of their own.
  void CaptureStart(std::string_view tag, int depth, uint64_t at) {
    capture_depth_ = depth;
    capture_at_ = at;
    capture_.assign(tag);
  }

  Status CaptureEnd() {
    capture_depth_ = 0;
    // Whitespace is kept where it is an element's only text: <w:t> </w:t>.
    pugi::xml_parse_result parsed = fragment_.load_buffer_inplace(
        capture_.data(), capture_.size(), pugi::parse_default | pugi::parse_ws_pcdata_single,
        pugi::encoding_utf8);
    if (!parsed) {
      return NotWellFormed(kMainDocumentPart, parsed.description(), capture_at_ + parsed.offset);
    }
    return Take(fragment_.document_element());
  }

  Status Take(pugi::xml_node element) {
    std::string_view local = names_->Word(element);
    if (local == "p") return content_->ReadParagraph(element, &Container());
    if (local == "tblPr") tables_.back().SetTableProperties(element);
    if (local == "tblGrid") tables_.back().SetGrid(element);
    if (local == "trPr") tables_.back().SetRowProperties(element);
    if (local == "tcPr") tables_.back().SetCellProperties(element);
    if (local == "sdtPr") content_->SetControl(element);
    if (local == "sectPr" && context_->notes != nullptr) {
      context_->notes->ReadSection(*names_, element);
    }
    return Status();
  }

  StoryContext* context_;
  Document* out_;
  int skip_depth_ = 0;     // when above 0, the depth of the element being skipped
  int capture_depth_ = 0;  // when above 0, the depth of the element being taken whole
  uint64_t capture_at_ = 0;
  std::string capture_;  // its markup so far
  bool body_read_ = false;
  std::unique_ptr<WordNames> names_;
  std::unique_ptr<ContentReader> content_;
  std::vector<Frame> frames_;
  std::vector<TableBuilder> tables_;  // the tables being read, the innermost last
  pugi::xml_document fragment_;       // the element taken whole, as a tree
};

MainPartReader::MainPartReader(const ReadLimits& limits, StoryContext* context)
    : body_(std::make_unique<Body>(context)),
      scanner_(kMainDocumentPart, limits.max_xml_depth, body_.get()) {}

MainPartReader::~MainPartReader() = default;

Status MainPartReader::Feed(std::string_view piece) { return scanner_.Feed(piece); }

Status MainPartReader::Finish() { return scanner_.Finish(); }

}  // namespace quillmere::document::docx
