#include <filesystem>
#include <iostream>

#include "app/cli.h"
#include "platform/status.h"
#include "platform/unicode.h"

namespace quillmere::cli {

std::u16string FolderArgument(const std::string& folder) {
  namespace fs = std::filesystem;
  fs::path path = folder.empty() ? fs::current_path() : fs::absolute(folder);
  return unicode::FromUtf8(path.lexically_normal().string());
}

int Failed(const Status& status) {
  std::cerr << status.ToString() << "\n";
  return 1;
}

int Misused(const std::string& problem, const char* usage) {
  std::cerr << "quillmere: " << problem << "\n" << usage;
  return 2;
}

int Helped(const char* usage) {
  std::cout << usage;
  return 0;
}

bool AsksForHelp(const std::string& arg) { return arg == "--help" || arg == "-h"; }

}  // namespace quillmere::cli
