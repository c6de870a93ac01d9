#include "capture/document_list.h"

#include <algorithm>

#include "platform/encoding/ascii.h"
#include "platform/translation.h"

namespace quillmere {

namespace {

// Word's owner file beside a document open in it: "~$" and the rest of the
// document's name, a few bytes that are no document.
bool IsOwnerFile(std::string_view name) { return name.substr(0, 2) == "~$"; }

std::string InFolder(const std::string& folder, const std::string& name) {
  return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

bool IsDocumentName(std::string_view name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string extension = ascii::Lower(name.substr(dot + 1));
  return extension == "doc" || extension == "docx" || extension == "rtf" || extension == "odt";
}

std::string DocumentName(std::string_view native_path) {
  while (native_path.size() > 1 && native_path.back() == '/') native_path.remove_suffix(1);
  const size_t slash = native_path.rfind('/');
  return std::string(slash == std::string_view::npos ? native_path : native_path.substr(slash + 1));
}

Status ListDocuments(const std::vector<std::string>& paths, files::FileSystem& file_system,
                     std::vector<std::string>* documents) {
  documents->clear();
  std::string folders;
  for (const std::string& path : paths) {
    if (!file_system.IsFolder(path)) {
      documents->push_back(path);
      continue;
    }
    std::vector<std::string> names;
    QM_RETURN_IF_ERROR(file_system.ListFolder(path, &names));
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      const std::string document = InFolder(path, name);
      if (IsDocumentName(name) && !IsOwnerFile(name) && !file_system.IsFolder(document)) {
        documents->push_back(document);
      }
    }
    folders += (folders.empty() ? "" : ", ") + path;
  }
  if (!documents->empty()) return Status();
  return Status(
      ErrorNumber::kFileNotFound,
      Fill(Tr("There is no Word document (.doc, .docx, .rtf or .odt) to collect in %s."), folders));
}

}  // namespace quillmere
