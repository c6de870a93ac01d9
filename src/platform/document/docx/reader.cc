#include "platform/document/docx/reader.h"

#include <memory>

#include "platform/document/docx/main_part.h"

namespace quillmere::document {

Status ReadDocxPackage(const ZipArchive& package, const ReadLimits& limits, Document* out) {
  out->body.clear();
  MainPartReader reader(limits, out);
  Status status = package.Stream(kMainDocumentPart, limits.max_part_bytes, limits.max_part_ratio,
                                 [&reader](std::string_view piece) { return reader.Feed(piece); });
  if (status.ok()) status = reader.Finish();
  if (!status.ok()) out->body.clear();  // nothing of a refused document is kept
  return status;
}

Status ReadDocxDocument(std::string_view bytes, const ReadLimits& limits, Document* out) {
  std::unique_ptr<ZipArchive> package;
  QM_RETURN_IF_ERROR(ZipArchive::Open(bytes, &package));
  return ReadDocxPackage(*package, limits, out);
}

}  // namespace quillmere::document
