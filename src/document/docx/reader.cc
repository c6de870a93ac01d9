#include "document/docx/reader.h"

#include <memory>
#include <string>

#include <pugixml.hpp>

#include "document/docx/content.h"
#include "document/docx/grid.h"
#include "document/docx/main_part.h"
#include "document/docx/notes.h"
#include "document/docx/numbering.h"

namespace quillmere::document::docx {

namespace {

// Stops the walk over the tree at the first element deeper than allowed.
class DepthProbe : public pugi::xml_tree_walker {
 public:
  explicit DepthProbe(int max_depth) : max_depth_(max_depth) {}
  bool for_each(pugi::xml_node&) override { return depth() < max_depth_; }

 private:
  int max_depth_;
};

// The parts beside the main one that the body's lists and notes need, each
// read whole. A missing part leaves its root null; one that is not
// well-formed, or nests too deeply, is taken as missing, as its content
// only adds to the text.
struct SideParts {
  pugi::xml_document numbering, styles, footnotes, endnotes, settings;
};

Status ReadSidePart(const ZipArchive& package, const char* name, const ReadLimits& limits,
                    std::string& xml, pugi::xml_document& tree) {
  if (!package.Contains(name)) return Status();
  QM_RETURN_IF_ERROR(package.Read(name, limits.max_part_bytes, &xml, limits.max_part_ratio));
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

Status ReadBody(const ZipArchive& package, const ReadLimits& limits, Document* out) {
  SideParts parts;
  QM_RETURN_IF_ERROR(ReadSideParts(package, limits, parts));
  Numbering numbering(parts.numbering.document_element(), parts.styles.document_element());
  Notes notes(parts.footnotes.document_element(), parts.endnotes.document_element(),
              parts.settings.document_element());
  TableKeys table_keys;
  StoryContext context{&numbering, &notes, out, &table_keys};
  MainPartReader reader(limits, &context);
  QM_RETURN_IF_ERROR(
      package.Stream(kMainDocumentPart, limits.max_part_bytes, limits.max_part_ratio,
                     [&reader](std::string_view piece) { return reader.Feed(piece); }));
  QM_RETURN_IF_ERROR(reader.Finish());
  QM_RETURN_IF_ERROR(JoinAdjacentTables(table_keys, *out));
  notes.FormatMarks(out);
  return Status();
}

}  // namespace

Status ReadPackage(const ZipArchive& package, const ReadLimits& limits, Document* out) {
  *out = Document();
  Status status = ReadBody(package, limits, out);
  if (!status.ok()) *out = Document();  // nothing of a refused document is kept
  return status;
}

Status ReadDocument(std::string_view bytes, const ReadLimits& limits, Document* out) {
  std::unique_ptr<ZipArchive> package;
  QM_RETURN_IF_ERROR(ZipArchive::Open(bytes, &package));
  return ReadPackage(*package, limits, out);
}

}  // namespace quillmere::document::docx
