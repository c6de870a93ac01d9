#include "platform/messages.h"

#include <libintl.h>
#include <locale.h>
#include <stdlib.h>

#include <atomic>
#include <filesystem>
#include <string_view>

#include "platform/translation.h"

namespace quillmere::messages {

namespace {

constexpr char kDomain[] = "quillmere";
constexpr char kChineseCatalog[] = "zh_CN/LC_MESSAGES/quillmere.mo";

std::atomic<Reader> current_reader{Reader::kCommandLine};

const char* FromCatalog(const char* english) { return dgettext(kDomain, english); }
const char* PluralFromCatalog(const char* singular, const char* plural, unsigned long n) {
  return dngettext(kDomain, singular, plural, n);
}

// locale/ beside the program in the build tree; the installed locale folder,
// as the install rules place it relative to the program, otherwise.
std::string CatalogBesideProgram() {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path program = fs::read_symlink("/proc/self/exe", ec).parent_path();
  for (const fs::path& folder : {program / "locale", program / QUILLMERE_LOCALE_FROM_PROGRAM}) {
    if (fs::exists(folder / kChineseCatalog, ec)) return folder.lexically_normal().string();
  }
  return std::string();
}

}  // namespace

Language FromEnvironment() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = getenv(variable);
    if (value == nullptr || *value == '\0') continue;
    return std::string_view(value).substr(0, 2) == "zh" ? Language::kChinese : Language::kEnglish;
  }
  return Language::kEnglish;
}

void Use(Language language, Reader reader, const std::string& catalog_folder) {
  current_reader.store(reader);
  if (language == Language::kEnglish) {
    SetTranslator(nullptr);
    SetPluralTranslator(nullptr);
    return;
  }
  const std::string folder = catalog_folder.empty() ? CatalogBesideProgram() : catalog_folder;
  if (folder.empty()) return;
  bindtextdomain(kDomain, folder.c_str());
  bind_textdomain_codeset(kDomain, "UTF-8");
  // gettext picks the catalog by LANGUAGE, which it honours in any message
  // locale but "C". C.UTF-8 is always there, while zh_CN.UTF-8 needs not be
  // installed for the program to speak Chinese.
  if (setlocale(LC_MESSAGES, "C.UTF-8") == nullptr) setlocale(LC_MESSAGES, "");
  setenv("LANGUAGE", "zh_CN", 1);
  SetTranslator(FromCatalog);
  SetPluralTranslator(PluralFromCatalog);
}

Reader CurrentReader() { return current_reader.load(); }

}  // namespace quillmere::messages
