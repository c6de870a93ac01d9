// quillmere-window [--folder DIR]: the window on DIR, or on the application
// folder (see app/run_window.h). `quillmere` with no command starts it.
#include <iostream>

#include "app/cli.h"
#include "app/default_folder.h"
#include "app/run_window.h"
#include "platform/file_system.h"
#include "platform/messages.h"
#include "platform/translation.h"

namespace quillmere {
namespace {

// The window on `dir`, or on the default folder when `dir` is null. When
// making the user's folder fails the window opens all the same: its first run
// then reports what is missing.
int Window(int argc, char** argv, const char* dir) {
  std::u16string folder;
  if (dir != nullptr) {
    if (!files::Disk().IsFolder(dir)) {
      return cli::Failed(
          Status(ErrorNumber::kFileNotFound, Fill(Tr("There is no folder \"%s\"."), dir)));
    }
    folder = cli::FolderArgument(dir);
  } else if (Status made = DefaultFolder(&folder); !made.ok()) {
    std::cerr << made.ToString() << "\n";
  }
  return RunWindow(argc, argv, folder);
}

}  // namespace
}  // namespace quillmere

int main(int argc, char** argv) {
  // What goes wrong before the window opens is said in the locale's language.
  quillmere::messages::Use(quillmere::messages::FromEnvironment(),
                           quillmere::messages::Reader::kCommandLine);
  const std::string command = argc > 1 ? argv[1] : "";
  if (argc < 2) return quillmere::Window(argc, argv, nullptr);
  if (command == "--folder" && argc == 3) return quillmere::Window(argc, argv, argv[2]);
  const char* usage = quillmere::Tr("usage: quillmere [--folder DIR] opens the window (on DIR)\n");
  const bool asked = argc == 2 && (command == "--help" || command == "-h");
  (asked ? std::cout : std::cerr) << usage;
  return asked ? 0 : 2;
}
