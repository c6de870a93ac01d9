#include "capture/many_documents.h"

#include "platform/encoding/unicode.h"
#include "platform/messages.h"
#include "platform/translation.h"

namespace quillmere {

Status ShowDocument(Progress& label, const char* format, size_t n, size_t of,
                    const std::string& name) {
  label.ShowStatus(unicode::FromUtf8(Fill(Tr(format), n, of, name)));
  return label.Yield();
}

Status BadDocuments(const std::string& headline,
                    const std::vector<std::pair<std::string, Status>>& bad, size_t of) {
  std::string description = headline;
  for (const auto& [name, failure] : bad) {
    description +=
        "\n" + Fill(Tr("%1$s: error %2$s: %3$s"), name, failure.code(), failure.description());
  }
  if (bad.size() < of) {
    description += "\n";
    description += messages::CurrentReader() == messages::Reader::kWindow
                       ? Tr("Mend them or leave them out of the drop, then try again.")
                       : Tr("Mend them or leave them out, or give --skip-failures to store the "
                            "others.");
  }
  return Status(bad.front().second.number(), description);
}

}  // namespace quillmere
