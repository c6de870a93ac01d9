#include "platform/document/docx/reader.h"

#include <memory>
#include <string>

#include <pugixml.hpp>

#include "platform/document/docx/content.h"
#include "platform/document/docx/names.h"
#include "platform/document/docx/notes.h"
#include "platform/document/docx/numbering.h"
#include "platform/translation.h"

namespace quillmere::document {

namespace {

// Stops the walk over the tree at the first element deeper than allowed.
class DepthProbe : public pugi::xml_tree_walker {
 public:
  explicit DepthProbe(int max_depth) : max_depth_(max_depth) {}
  bool for_each(pugi::xml_node&) override { return depth() < max_depth_; }

 private:
  int max_depth_;
};

Status Corrupt(const std::string& what) {
  return Status(ErrorNumber::kCorruptDocument,
                Fill(Tr("it is a damaged Word 2007+ (.docx) document: its part %1$s %2$s"),
                     kMainDocumentPart, what));
}

// The parts beside the main one that the body's lists and notes need. A
// missing part leaves its root null; one that is not well-formed, or nests
// too deeply, is taken as missing, as its content only adds to the text.
struct SideParts {
  pugi::xml_document numbering, styles, footnotes, endnotes, settings;
};

Status ReadSidePart(const ZipArchive& package, const char* name, const ReadLimits& limits,
                    std::string& xml, pugi::xml_document& tree) {
  if (!package.Contains(name)) return Status();
  QM_RETURN_IF_ERROR(package.Read(name, limits.max_part_bytes, &xml));
  DepthProbe probe(limits.max_xml_depth);
  if (!tree.load_buffer(xml.data(), xml.size(),
                        pugi::parse_default | pugi::parse_ws_pcdata_single) ||
      !tree.traverse(probe)) {
    tree.reset();
  }
  return Status();
}

Status ReadSideParts(const ZipArchive& package, const ReadLimits& limits, SideParts& parts) {
  std::string xml;
  QM_RETURN_IF_ERROR(ReadSidePart(package, "word/numbering.xml", limits, xml, parts.numbering));
  QM_RETURN_IF_ERROR(ReadSidePart(package, "word/styles.xml", limits, xml, parts.styles));
  QM_RETURN_IF_ERROR(ReadSidePart(package, "word/footnotes.xml", limits, xml, parts.footnotes));
  QM_RETURN_IF_ERROR(ReadSidePart(package, "word/endnotes.xml", limits, xml, parts.endnotes));
  return ReadSidePart(package, "word/settings.xml", limits, xml, parts.settings);
}

}  // namespace

Status ReadDocxPackage(const ZipArchive& package, const ReadLimits& limits, Document* out) {
  std::string xml;
  QM_RETURN_IF_ERROR(package.Read(kMainDocumentPart, limits.max_part_bytes, &xml));

  pugi::xml_document tree;
  // Whitespace is kept where it is an element's only text: <w:t> </w:t>.
  pugi::xml_parse_result parsed = tree.load_buffer_inplace(
      xml.data(), xml.size(), pugi::parse_default | pugi::parse_ws_pcdata_single);
  if (!parsed) {
    return Corrupt(Fill(Tr("is not well-formed XML (%1$s at byte %2$s)."), parsed.description(),
                        parsed.offset));
  }
  DepthProbe probe(limits.max_xml_depth);
  if (!tree.traverse(probe)) {
    return Corrupt(Fill(Tr("nests its elements more than %s levels deep and is refused."),
                        limits.max_xml_depth));
  }

  pugi::xml_node root = tree.document_element();
  WordNames names(root);
  if (names.Word(root) != "document") {
    return Corrupt(Fill(Tr("holds no Word document (its root element is <%s>)."), root.name()));
  }
  *out = Document();
  SideParts parts;
  QM_RETURN_IF_ERROR(ReadSideParts(package, limits, parts));
  pugi::xml_node body = names.Child(root, "body");
  DocxNumbering numbering(parts.numbering.document_element(), parts.styles.document_element());
  DocxNotes notes(parts.footnotes.document_element(), parts.endnotes.document_element(),
                  parts.settings.document_element(), names.Child(body, "sectPr"));
  StoryContext context{&numbering, &notes, out};
  Status status = ReadStory(names, body, &out->body, &context);
  if (!status.ok()) *out = Document();  // nothing of a refused document is kept
  return status;
}

Status ReadDocxDocument(std::string_view bytes, const ReadLimits& limits, Document* out) {
  std::unique_ptr<ZipArchive> package;
  QM_RETURN_IF_ERROR(ZipArchive::Open(bytes, &package));
  return ReadDocxPackage(*package, limits, out);
}

}  // namespace quillmere::document
