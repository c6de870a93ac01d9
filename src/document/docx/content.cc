#include "document/docx/content.h"

#include "document/common/field_stack.h"
#include "document/common/symbol_fonts.h"

#include <charconv>
#include <functional>
#include <utility>

#include "document/docx/notes.h"
#include "document/docx/numbering.h"
#include "document/docx/table_builder.h"
#include "platform/encoding/unicode.h"

namespace quillmere::document::docx {

namespace {

// w:sym stores a symbol font's character at U+F0xx; the page shows the
// font's own code, as Word's pages do.
std::u16string SymbolText(std::string_view hex) {
  unsigned code = 0;
  auto [end, error] = std::from_chars(hex.data(), hex.data() + hex.size(), code, 16);
  if (error != std::errc() || end != hex.data() + hex.size() || code == 0 || code > 0xFFFF) {
    return {};
  }
  if (code >= 0xF000 && code <= 0xF0FF) code -= 0xF000;
  return std::u16string(1, static_cast<char16_t>(code));
}

// An on/off value ("1", "true", "on", "0", ...); `absent` when it is not
// given, as an element without w:val means on.
bool OnOff(std::string_view value, bool absent) {
  if (value.empty()) return absent;
  return value == "1" || value == "true" || value == "on";
}

// A content control (w:sdt) as a form reads it: its tag, else its title,
// and its check box (w14:checkbox), if it is one.
struct Control {
  std::u16string name;
  bool check_box = false;
  bool checked = false;
};

Control ReadControl(const WordNames& names, pugi::xml_node properties) {
  Control control;
  std::string_view name = names.Attribute(names.Child(properties, "tag"), "val").value();
  if (name.empty()) name = names.Attribute(names.Child(properties, "alias"), "val").value();
  control.name = unicode::FromUtf8(name);
  for (pugi::xml_node box : properties.children()) {
    if (names.Word2010(box) != "checkbox") continue;
    control.check_box = true;
    for (pugi::xml_node state : box.children()) {
      if (names.Word2010(state) == "checked") {
        control.checked = OnOff(names.Attribute2010(state, "val").value(), true);
      }
    }
  }
  return control;
}

// A field as a form reads it: a legacy form field's check box and its
// state, or a text form field's name and where its result began.
struct FormField {
  bool check_box = false;
  bool checked = false;
  bool text_input = false;
  std::u16string name;
  uint32_t result_at = 0;
  bool separated = false;
};

FormField ReadFormField(const WordNames& names, pugi::xml_node data) {
  FormField field;
  field.name = unicode::FromUtf8(names.Attribute(names.Child(data, "name"), "val").value());
  field.text_input = static_cast<bool>(names.Child(data, "textInput"));
  if (pugi::xml_node box = names.Child(data, "checkBox")) {
    field.check_box = true;
    pugi::xml_node checked = names.Child(box, "checked");
    field.checked = checked
                        ? OnOff(names.Attribute(checked, "val").value(), true)
                        : OnOff(names.Attribute(names.Child(box, "default"), "val").value(), false);
  }
  return field;
}

}  // namespace

class StoryReader {
 public:
  StoryReader(const WordNames& names, StoryContext* context) : names_(names), context_(context) {}

  // A story of its own (the body, a cell, a text box): fields do not cross
  // its borders, so a damaged field cannot hide the text after it.
  Status ReadStory(pugi::xml_node story, std::vector<Block>& out) {
    BeginStory();
    Status status = ReadBlocks(story, out);
    EndStory();
    return status;
  }

  void BeginStory() {
    outer_fields_.push_back(std::exchange(fields_, FieldStack(&numbers_)));
    outer_form_fields_.push_back(std::exchange(form_fields_, {}));
  }
  void EndStory() {
    if (outer_fields_.empty()) return;
    fields_ = std::move(outer_fields_.back());
    outer_fields_.pop_back();
    form_fields_ = std::move(outer_form_fields_.back());
    outer_form_fields_.pop_back();
  }

  // The content controls around the paragraphs that follow, innermost last.
  void BeginControl() { controls_.emplace_back(); }
  void SetControl(pugi::xml_node properties) {
    if (!controls_.empty()) controls_.back() = ReadControl(names_, properties);
  }
  void EndControl() {
    if (!controls_.empty()) controls_.pop_back();
  }

  Status ReadParagraph(pugi::xml_node p, std::vector<Block>& out) {
    Paragraph paragraph;
    const ListInstance* list = nullptr;
    int level = 0, heading = 0;
    if (context_ != nullptr && context_->numbering != nullptr) {
      list = context_->numbering->Find(names_, p, &level);
      heading = context_->numbering->HeadingLevel(names_, p);
      if (list != nullptr) paragraph.list_label = lists_.Next(*list, level);
    }
    numbers_.StartParagraph(heading, list, level);
    std::vector<Block> text_boxes;
    QM_RETURN_IF_ERROR(ReadInlines(p, paragraph, text_boxes));
    NameByControl(paragraph);
    out.emplace_back(std::move(paragraph));
    for (Block& block : text_boxes) out.push_back(std::move(block));
    return Status();
  }

 private:
  using Visit = std::function<Status(pugi::xml_node)>;

  // Elements that only wrap content of the level they stand at; their
  // content is read as if it stood in their place. Null for all others.
  pugi::xml_node WrappedContent(pugi::xml_node node) const {
    std::string_view local = names_.Word(node);
    if (local == "sdt") return names_.Child(node, "sdtContent");
    if (local == "customXml" || local == "smartTag" || local == "hyperlink" ||
        local == "fldSimple" || local == "ins" || local == "moveTo" || local == "dir" ||
        local == "bdo") {
      return node;
    }
    if (names_.Compat(node) == "AlternateContent") return names_.ChosenBranch(node);
    return {};
  }

  // A block-level content control with a name names what each of its
  // paragraphs holds.
  void NameByControl(Paragraph& paragraph) const {
    for (auto control = controls_.rbegin(); control != controls_.rend(); ++control) {
      if (control->name.empty()) continue;
      paragraph.form_marks.push_back(
          {FormMark::Kind::kNamedField, 0, paragraph.TextLength(), false, control->name});
      return;
    }
  }

  // `read` on the content of the w:sdt `sdt`, inside its control.
  Status InControl(pugi::xml_node sdt, const std::function<Status(pugi::xml_node)>& read) {
    BeginControl();
    SetControl(names_.Child(sdt, "sdtPr"));
    Status status = read(names_.Child(sdt, "sdtContent"));
    EndControl();
    return status;
  }

  // Calls `visit` for every child named `local`, looking through wrappers.
  Status ForEach(pugi::xml_node parent, std::string_view local, const Visit& visit) {
    for (pugi::xml_node child : parent.children()) {
      if (names_.Word(child) == local) {
        QM_RETURN_IF_ERROR(visit(child));
      } else if (names_.Word(child) == "sdt") {
        QM_RETURN_IF_ERROR(InControl(
            child, [&](pugi::xml_node content) { return ForEach(content, local, visit); }));
      } else if (pugi::xml_node content = WrappedContent(child)) {
        QM_RETURN_IF_ERROR(ForEach(content, local, visit));
      }
    }
    return Status();
  }

  Status ReadBlocks(pugi::xml_node parent, std::vector<Block>& out) {
    for (pugi::xml_node child : parent.children()) {
      std::string_view local = names_.Word(child);
      if (local == "p") {
        QM_RETURN_IF_ERROR(ReadParagraph(child, out));
      } else if (local == "tbl") {
        QM_RETURN_IF_ERROR(ReadTable(child, out));
      } else if (local == "sdt") {
        QM_RETURN_IF_ERROR(
            InControl(child, [&](pugi::xml_node content) { return ReadBlocks(content, out); }));
      } else if (pugi::xml_node content = WrappedContent(child)) {
        QM_RETURN_IF_ERROR(ReadBlocks(content, out));
      }
    }
    return Status();
  }

  Status ReadInlines(pugi::xml_node parent, Paragraph& paragraph, std::vector<Block>& text_boxes) {
    for (pugi::xml_node child : parent.children()) {
      if (names_.Word(child) == "r") {
        QM_RETURN_IF_ERROR(ReadRun(child, paragraph, text_boxes));
      } else if (names_.Word(child) == "sdt") {
        QM_RETURN_IF_ERROR(ReadInlineControl(child, paragraph, text_boxes));
      } else if (names_.Word(child) == "fldSimple") {
        QM_RETURN_IF_ERROR(ReadSimpleField(child, paragraph, text_boxes));
      } else if (pugi::xml_node content = WrappedContent(child)) {
        QM_RETURN_IF_ERROR(ReadInlines(content, paragraph, text_boxes));
      }
    }
    return Status();
  }

  // A content control in a paragraph: its check box covers the glyph it
  // shows, its tag or title names what it holds.
  Status ReadInlineControl(pugi::xml_node sdt, Paragraph& paragraph,
                           std::vector<Block>& text_boxes) {
    const Control control = ReadControl(names_, names_.Child(sdt, "sdtPr"));
    const uint32_t at = paragraph.TextLength();
    QM_RETURN_IF_ERROR(ReadInlines(names_.Child(sdt, "sdtContent"), paragraph, text_boxes));
    const uint32_t length = paragraph.TextLength() - at;
    if (control.check_box) {
      paragraph.form_marks.push_back({FormMark::Kind::kCheckBox, at, length, control.checked, {}});
    }
    if (!control.name.empty()) {
      paragraph.form_marks.push_back(
          {FormMark::Kind::kNamedField, at, length, false, control.name});
    }
    return Status();
  }

  // A simple field holds its stored result, which shows, or the number it
  // counts where that replaces it (or there is none).
  Status ReadSimpleField(pugi::xml_node field, Paragraph& paragraph,
                         std::vector<Block>& text_boxes) {
    fields_.Begin();
    fields_.AddInstruction(unicode::FromUtf8(names_.Attribute(field, "instr").value()));
    bool stored = false;
    for (pugi::xml_node run : field.children()) stored = stored || names_.Word(run) == "r";
    paragraph.AddText(stored ? fields_.Separate() : std::u16string());
    Status status = ReadInlines(field, paragraph, text_boxes);
    paragraph.AddText(fields_.End());
    return status;
  }

  // The symbol font a run is set in (its own properties' w:rFonts), else
  // empty.
  std::u16string SymbolFontOf(pugi::xml_node run) const {
    pugi::xml_node fonts = names_.Child(names_.Child(run, "rPr"), "rFonts");
    for (std::string_view slot : {"ascii", "hAnsi"}) {
      std::string_view font = names_.Attribute(fonts, slot).value();
      if (IsSymbolFont(font)) return unicode::FromUtf8(font);
    }
    return {};
  }

  // Appends `text`, marked as characters of `font` when that is a symbol
  // font.
  static void AddText(Paragraph& paragraph, std::u16string_view text, std::u16string_view font) {
    const uint32_t at = paragraph.TextLength();
    paragraph.AddText(text);
    if (!font.empty()) paragraph.MarkSymbolFont(at, static_cast<uint32_t>(text.size()), font);
  }

  Status ReadRun(pugi::xml_node run, Paragraph& paragraph, std::vector<Block>& text_boxes) {
    const std::u16string symbol_font = SymbolFontOf(run);
    for (pugi::xml_node child : run.children()) {
      std::string_view local = names_.Word(child);
      if (local == "fldChar") {
        ReadFieldChar(child, paragraph);
      } else if (local == "instrText") {
        fields_.AddInstruction(unicode::FromUtf8(child.text().get()));
      } else if (names_.Compat(child) == "AlternateContent") {
        QM_RETURN_IF_ERROR(ReadRun(names_.ChosenBranch(child), paragraph, text_boxes));
      } else if (!fields_.ShowsText()) {
        continue;
      } else if (local == "t") {
        AddText(paragraph, unicode::FromUtf8(child.text().get()), symbol_font);
      } else if (local == "tab" || local == "ptab") {
        paragraph.AddTab();
      } else if (local == "br") {
        // Page and column breaks end no line within the text.
        std::string_view type = names_.Attribute(child, "type").value();
        if (type.empty() || type == "textWrapping") paragraph.AddBreak();
      } else if (local == "cr") {
        paragraph.AddBreak();
      } else if (local == "noBreakHyphen") {
        paragraph.AddText(u"\u2011");
      } else if (local == "sym") {
        std::u16string font = unicode::FromUtf8(names_.Attribute(child, "font").value());
        AddText(paragraph, SymbolText(names_.Attribute(child, "char").value()),
                IsSymbolFont<char16_t>(font) ? std::u16string_view(font) : symbol_font);
      } else if (local == "ruby") {
        QM_RETURN_IF_ERROR(ReadInlines(names_.Child(child, "rubyBase"), paragraph, text_boxes));
      } else if (local == "drawing" || local == "pict" || local == "object") {
        QM_RETURN_IF_ERROR(ReadTextBoxes(child, text_boxes));
      } else if (local == "footnoteReference" || local == "endnoteReference") {
        QM_RETURN_IF_ERROR(ReadNoteReference(
            child, local == "footnoteReference" ? NoteKind::kFootnote : NoteKind::kEndnote,
            paragraph));
      }
    }
    return Status();
  }

  // A reference shows its note's number, or nothing where the author's own
  // mark follows as text. The note's text is read at once, so notes are
  // kept in the order of their references.
  Status ReadNoteReference(pugi::xml_node reference, NoteKind kind, Paragraph& paragraph) {
    if (context_ == nullptr || context_->notes == nullptr) return Status();
    Note note;
    std::string_view custom = names_.Attribute(reference, "customMarkFollows").value();
    note.custom_mark = custom == "1" || custom == "true" || custom == "on";
    if (!note.custom_mark) note.mark = context_->notes->NextMark(kind);
    pugi::xml_node story = context_->notes->Find(kind, names_.Attribute(reference, "id").value());
    if (story) {
      StoryContext inner{context_->numbering, nullptr, nullptr, context_->table_keys};
      QM_RETURN_IF_ERROR(
          StoryReader(context_->notes->Names(kind), &inner).ReadStory(story, note.blocks));
    }
    bool endnote = kind == NoteKind::kEndnote;
    paragraph.AddInline(
        {endnote ? Inline::Kind::kEndnoteReference : Inline::Kind::kFootnoteReference, note.mark,
         note.custom_mark});
    (endnote ? context_->document->endnotes : context_->document->footnotes)
        .push_back(std::move(note));
    return Status();
  }

  void ReadFieldChar(pugi::xml_node fld_char, Paragraph& paragraph) {
    std::string_view type = names_.Attribute(fld_char, "fldCharType").value();
    if (type == "begin") {
      fields_.Begin();
      form_fields_.push_back(ReadFormField(names_, names_.Child(fld_char, "ffData")));
    }
    if (type == "separate") {
      paragraph.AddText(fields_.Separate());
      if (!form_fields_.empty()) {
        form_fields_.back().result_at = paragraph.TextLength();
        form_fields_.back().separated = true;
      }
    }
    if (type == "end") {
      paragraph.AddText(fields_.End());
      if (!form_fields_.empty()) {
        MarkFormField(form_fields_.back(), paragraph);
        form_fields_.pop_back();
      }
    }
  }

  // A check box form field shows no text of its own: its mark stands where
  // it ends. A text form field's name covers its result.
  static void MarkFormField(const FormField& field, Paragraph& paragraph) {
    const uint32_t end = paragraph.TextLength();
    if (field.check_box) {
      paragraph.form_marks.push_back({FormMark::Kind::kCheckBox, end, 0, field.checked, {}});
    } else if (field.text_input && field.separated && !field.name.empty()) {
      paragraph.form_marks.push_back(
          {FormMark::Kind::kNamedField, field.result_at, end - field.result_at, false, field.name});
    }
  }

  // The stories of the text boxes somewhere inside a drawing or picture.
  Status ReadTextBoxes(pugi::xml_node node, std::vector<Block>& out) {
    for (pugi::xml_node child : node.children()) {
      if (names_.Word(child) == "txbxContent") {
        QM_RETURN_IF_ERROR(ReadStory(child, out));
      } else if (names_.Compat(child) == "AlternateContent") {
        QM_RETURN_IF_ERROR(ReadTextBoxes(names_.ChosenBranch(child), out));
      } else {
        QM_RETURN_IF_ERROR(ReadTextBoxes(child, out));
      }
    }
    return Status();
  }

  Status ReadTable(pugi::xml_node tbl, std::vector<Block>& out) {
    TableBuilder table(names_);
    table.SetTableProperties(names_.Child(tbl, "tblPr"));
    table.SetGrid(names_.Child(tbl, "tblGrid"));
    QM_RETURN_IF_ERROR(ForEach(tbl, "tr", [&](pugi::xml_node tr) { return ReadRow(tr, table); }));
    return table.Finish(out, context_ != nullptr ? context_->table_keys : nullptr);
  }

  Status ReadRow(pugi::xml_node tr, TableBuilder& table) {
    table.StartRow();
    table.SetRowProperties(names_.Child(tr, "trPr"));
    QM_RETURN_IF_ERROR(ForEach(tr, "tc", [&](pugi::xml_node tc) {
      table.StartCell();
      table.SetCellProperties(names_.Child(tc, "tcPr"));
      Status status = ReadStory(tc, table.CellBlocks());
      table.EndCell();
      return status;
    }));
    table.EndRow();
    return Status();
  }

  const WordNames& names_;
  StoryContext* context_;
  ListCounter lists_;
  FieldNumbers numbers_{lists_};
  FieldStack fields_{&numbers_};
  std::vector<FieldStack> outer_fields_;  // of the stories this one lies in
  std::vector<FormField> form_fields_;    // the open fields, innermost last
  std::vector<std::vector<FormField>> outer_form_fields_;
  std::vector<Control> controls_;  // around the blocks being read, innermost last
};

ContentReader::ContentReader(const WordNames& names, StoryContext* context)
    : reader_(std::make_unique<StoryReader>(names, context)) {}

ContentReader::~ContentReader() = default;

void ContentReader::BeginStory() { reader_->BeginStory(); }

Status ContentReader::ReadParagraph(pugi::xml_node p, std::vector<Block>* out) {
  return reader_->ReadParagraph(p, *out);
}

void ContentReader::EndStory() { reader_->EndStory(); }

void ContentReader::BeginControl() { reader_->BeginControl(); }

void ContentReader::SetControl(pugi::xml_node properties) { reader_->SetControl(properties); }

void ContentReader::EndControl() { reader_->EndControl(); }

}  // namespace quillmere::document::docx
