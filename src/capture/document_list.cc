#include "capture/document_list.h"

#include <algorithm>
#include <filesystem>
#include <map>

#include "output/dt_origin.h"
#include "platform/encoding/ascii.h"
#include "platform/encoding/printable.h"
#include "platform/translation.h"

namespace quillmere {

namespace {

// Word's owner file beside a document open in it: "~$" and the rest of the
// document's name, a few bytes that are no document.
bool IsOwnerFile(std::string_view name) { return name.substr(0, 2) == "~$"; }

std::string InFolder(const std::string& folder, const std::string& name) {
  return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

// The end of `name` that holds at most `characters` characters (UTF-8, as
// the database counts them), after "…".
std::string KeepEnd(const std::string& name, size_t characters) {
  size_t count = 0, at = name.size();
  while (at > 0 && count < characters - 1) {
    do --at;
    while (at > 0 && (static_cast<unsigned char>(name[at]) & 0xC0) == 0x80);
    ++count;
  }
  return at == 0 ? name : "…" + name.substr(at);
}

// Counts UTF-8 characters.
size_t Characters(std::string_view text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

}  // namespace

bool IsDocumentName(std::string_view name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string extension = ascii::Lower(name.substr(dot + 1));
  return extension == "doc" || extension == "docx" || extension == "rtf" || extension == "odt";
}

std::string DocumentName(std::string_view listed_path) {
  std::string path = std::filesystem::path(listed_path).lexically_normal().string();
  if (path.empty()) path = listed_path;
  const std::string name = printable::Escaped(path);
  if (Characters(name) <= kMaxDocumentNameLength) return name;
  return KeepEnd(name, kMaxDocumentNameLength);
}

Status ListDocuments(const std::vector<std::string>& paths, files::FileSystem& file_system,
                     std::vector<std::string>* documents, std::vector<std::string>* repeats) {
  documents->clear();
  if (repeats != nullptr) repeats->clear();
  std::map<std::string, std::string> first_named;  // by the file's identity
  auto take = [&](const std::string& document) {
    const std::string identity = file_system.FileIdentity(document);
    if (identity.empty()) {  // nothing there: read as named, to fail as such
      documents->push_back(document);
      return;
    }
    auto [first, fresh] = first_named.emplace(identity, document);
    if (fresh) {
      documents->push_back(document);
    } else if (repeats != nullptr) {
      const std::string name = DocumentName(document), first_name = DocumentName(first->second);
      repeats->push_back(
          name == first_name
              ? Fill(Tr("%s is named more than once; it is taken once."), name)
              : Fill(Tr("%1$s is the same file as %2$s; it is taken once."), name, first_name));
    }
  };
  std::string folders;
  for (const std::string& path : paths) {
    if (!file_system.IsFolder(path)) {
      take(path);
      continue;
    }
    std::vector<std::string> names;
    QM_RETURN_IF_ERROR(file_system.ListFolder(path, &names));
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      const std::string document = InFolder(path, name);
      if (IsDocumentName(name) && !IsOwnerFile(name) && !file_system.IsFolder(document)) {
        take(document);
      }
    }
    folders += (folders.empty() ? "" : ", ") + printable::Escaped(path);
  }
  if (!documents->empty()) return Status();
  return Status(
      ErrorNumber::kFileNotFound,
      Fill(Tr("There is no Word document (.doc, .docx, .rtf or .odt) to collect in %s."), folders));
}

}  // namespace quillmere
