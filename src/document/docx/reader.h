// Reads Word documents in Office Open XML (.docx): the main part,
// word/document.xml, through libzip and pugixml as it inflates (main_part.h),
// into the document model, with the lists and notes of the parts beside it
// (numbering.xml, styles.xml, footnotes.xml, endnotes.xml, settings.xml),
// which are read whole.
#pragma once

#include <string_view>

#include "document/docx/package.h"
#include "document/model.h"
#include "document/read_limits.h"
#include "platform/status.h"

namespace quillmere::document::docx {

// The main part of every package Word writes.
inline constexpr char kMainDocumentPart[] = "word/document.xml";

// Fills `out` with the body of the package's main part, its list labels
// and its footnotes and endnotes. Fails with
// kDocumentTooLarge for a part beyond the limits (a ZIP bomb: too large, or
// expanding far more than XML does), and with
// kCorruptDocument for a damaged archive, XML that is not well-formed or
// nests deeper than the limits allow, or a part that is no Word document.
Status ReadPackage(const ZipArchive& package, const ReadLimits& limits, Document* out);

// The same for a package held in `bytes`.
Status ReadDocument(std::string_view bytes, const ReadLimits& limits, Document* out);

}  // namespace quillmere::document::docx
