#include "platform/document/word97_reader.h"

namespace quillmere::document {

Status ReadWord97Document(std::string_view, Document*) {
  return Status(ErrorNumber::kUnsupportedFormat,
                "Word 97-2003 documents (.doc) cannot be read yet.");
}

}  // namespace quillmere::document
