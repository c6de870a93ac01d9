#include "platform/document/docx/main_part.h"

#include <expat.h>

#include <string>
#include <vector>

#include <pugixml.hpp>

#include "platform/document/docx/content.h"
#include "platform/document/docx/names.h"
#include "platform/document/docx/reader.h"
#include "platform/document/docx/table_builder.h"

namespace quillmere::document {

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

bool IsBlank(const std::string& text) {
  return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

Status Corrupt(const std::string& what) {
  return Status(ErrorNumber::kCorruptDocument, std::string(kMainDocumentPart) + " " + what);
}

}  // namespace

class MainPartReader::Parser {
 public:
  Parser(const ReadLimits& limits, Document* out)
      : parser_(XML_ParserCreate(nullptr)), limits_(limits), out_(out) {
    if (parser_ == nullptr) return;
    XML_SetUserData(parser_, this);
    XML_SetElementHandler(parser_, &Parser::OnStart, &Parser::OnEnd);
    XML_SetCharacterDataHandler(parser_, &Parser::OnText);
    XML_SetStartDoctypeDeclHandler(parser_, &Parser::OnDoctype);
  }
  ~Parser() {
    if (parser_ != nullptr) XML_ParserFree(parser_);
  }

  Status Feed(std::string_view piece, bool last) {
    if (!status_.ok()) return status_;
    if (parser_ == nullptr) return Corrupt("cannot be read: no memory for its parser.");
    XML_Status parsed = XML_Parse(parser_, piece.data(), static_cast<int>(piece.size()),
                                  last ? XML_TRUE : XML_FALSE);
    if (!status_.ok()) return status_;
    if (parsed == XML_STATUS_OK) return Status();
    return Corrupt("is not well-formed XML (" +
                   std::string(XML_ErrorString(XML_GetErrorCode(parser_))) + " at byte " +
                   std::to_string(XML_GetCurrentByteIndex(parser_)) + ").");
  }

 private:
  static void XMLCALL OnStart(void* self, const XML_Char* name, const XML_Char** attributes) {
    static_cast<Parser*>(self)->Start(name, attributes);
  }
  static void XMLCALL OnEnd(void* self, const XML_Char*) { static_cast<Parser*>(self)->End(); }
  static void XMLCALL OnText(void* self, const XML_Char* text, int length) {
    Parser& parser = *static_cast<Parser*>(self);
    if (parser.capture_depth_ > 0) parser.text_.append(text, static_cast<size_t>(length));
  }
  static void XMLCALL OnDoctype(void* self, const XML_Char*, const XML_Char*, const XML_Char*,
                                int) {
    static_cast<Parser*>(self)->Fail(
        Corrupt("declares a document type, which Word never writes, and is refused."));
  }

  void Fail(Status status) {
    if (status_.ok()) status_ = std::move(status);
    XML_StopParser(parser_, XML_FALSE);
  }

  void Start(const char* name, const char** attributes) {
    if (!status_.ok()) return;
    if (++depth_ > limits_.max_xml_depth) {
      return Fail(Corrupt("nests its elements more than " + std::to_string(limits_.max_xml_depth) +
                          " levels deep and is refused."));
    }
    if (skip_depth_ > 0) return;
    if (capture_depth_ > 0) return CaptureStart(name, attributes);
    if (frames_.empty()) return StartDocument(name, attributes);
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
        if (local == "p" || (local == "tcPr" && level == Level::kCell)) {
          return CaptureStart(name, attributes);
        }
        if (local == "tbl") {
          tables_.emplace_back(*names_);
          return frames_.push_back({Level::kTable, Frame::Role::kOpens});
        }
        break;
      case Level::kTable:
        if (local == "tblGrid") return CaptureStart(name, attributes);
        if (local == "tr") {
          tables_.back().StartRow();
          return frames_.push_back({Level::kRow, Frame::Role::kOpens});
        }
        break;
      case Level::kRow:
        if (local == "trPr") return CaptureStart(name, attributes);
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

  void StartDocument(const char* name, const char** attributes) {
    names_ = std::make_unique<WordNames>(attributes);
    if (names_->Word(name) != "document") {
      return Fail(
          Corrupt("holds no Word document (its root element is <" + std::string(name) + ">)."));
    }
    content_ = std::make_unique<ContentReader>(*names_);
    frames_.push_back({Level::kDocument, Frame::Role::kOpens});
  }

  void End() {
    if (!status_.ok()) return;
    const int depth = depth_--;
    if (skip_depth_ > 0) {
      if (depth == skip_depth_) skip_depth_ = 0;
      return;
    }
    if (capture_depth_ > 0) return CaptureEnd(depth);
    Frame frame = frames_.back();
    frames_.pop_back();
    if (frame.role != Frame::Role::kOpens) return;
    switch (frame.level) {
      case Level::kDocument:
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

  // Elements taken whole become a small tree of their own.
  void CaptureStart(const char* name, const char** attributes) {
    pugi::xml_node node;
    if (capture_depth_ == 0) {
      capture_depth_ = depth_;
      fragment_.reset();
      open_.clear();
      text_.clear();
      node = fragment_.append_child(name);
    } else {
      AddText(false);
      node = open_.back().append_child(name);
    }
    for (const char** a = attributes; a[0] != nullptr && a[1] != nullptr; a += 2) {
      node.append_attribute(a[0]).set_value(a[1]);
    }
    open_.push_back(node);
  }

  void CaptureEnd(int depth) {
    AddText(true);
    open_.pop_back();
    if (depth != capture_depth_) return;
    capture_depth_ = 0;
    Status taken = Take(fragment_.first_child());
    if (!taken.ok()) Fail(std::move(taken));
  }

  // Adds the text read since the last tag to the open element. Blanks only
  // between elements are left out, as the tree of a whole part leaves them.
  void AddText(bool at_end) {
    if (text_.empty()) return;
    if (!IsBlank(text_) || (at_end && !open_.back().first_child())) {
      open_.back().append_child(pugi::node_pcdata).set_value(text_.c_str());
    }
    text_.clear();
  }

  Status Take(pugi::xml_node element) {
    std::string_view local = names_->Word(element);
    if (local == "p") return content_->ReadParagraph(element, &Container());
    if (local == "tblGrid") tables_.back().SetGrid(element);
    if (local == "trPr") tables_.back().SetRowProperties(element);
    if (local == "tcPr") tables_.back().SetCellProperties(element);
    return Status();
  }

  XML_Parser parser_;
  const ReadLimits limits_;
  Document* out_;
  Status status_;          // the first failure; it stops the parser
  int depth_ = 0;          // of the element being read, the root's being 1
  int skip_depth_ = 0;     // when above 0, the depth of the element being skipped
  int capture_depth_ = 0;  // when above 0, the depth of the element being taken whole
  bool body_read_ = false;
  std::unique_ptr<WordNames> names_;
  std::unique_ptr<ContentReader> content_;
  std::vector<Frame> frames_;
  std::vector<TableBuilder> tables_;  // the tables being read, the innermost last
  pugi::xml_document fragment_;       // the element being taken whole
  std::vector<pugi::xml_node> open_;  // its open elements
  std::string text_;                  // text read since its last tag
};

MainPartReader::MainPartReader(const ReadLimits& limits, Document* out)
    : parser_(std::make_unique<Parser>(limits, out)) {}

MainPartReader::~MainPartReader() = default;

Status MainPartReader::Feed(std::string_view piece) { return parser_->Feed(piece, false); }

Status MainPartReader::Finish() { return parser_->Feed({}, true); }

}  // namespace quillmere::document
