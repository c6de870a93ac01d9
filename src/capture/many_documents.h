// What the commands that read many documents in turn (collect, forms) say
// alike: the document being read or stored, and the documents that stop
// them.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "convert/table_sink.h"
#include "platform/status.h"

namespace quillmere {

// Shows "Reading 3/50: NAME" (`format`, marked N_, with n, of and the
// name) in the status, then yields.
Status ShowDocument(Progress& label, const char* format, size_t n, size_t of,
                    const std::string& name);

// The documents that cannot be read (each with its numbered failure, in
// order) in one failure of the first one's number: `headline`, then a line
// for each, then, while some of the `of` documents are good, how to store
// those, in the words of the window or of the command line.
Status BadDocuments(const std::string& headline,
                    const std::vector<std::pair<std::string, Status>>& bad, size_t of);

}  // namespace quillmere
