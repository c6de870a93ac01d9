// quillmere [--folder DIR]: opens the window (see app/run_window.h).
// quillmere run | collect | convert | newdb ...: the command line (see app/cli.h).
#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "app/cli.h"
#include "app/default_folder.h"
#include "platform/file_system.h"
#include "platform/messages.h"
#include "platform/translation.h"
#if QUILLMERE_GUI
#include "app/run_window.h"
#endif

namespace {

constexpr char kUsageHead[] =
#if QUILLMERE_GUI
    N_("usage: quillmere [--folder DIR] opens the window (on DIR)\n"
       "       quillmere COMMAND ...    runs a command without it:\n");
#else
    N_("usage: quillmere COMMAND ...    (this build has no window)\n");
#endif

constexpr char kCommands[] =
    N_("  run [DIR] [--table N] [--first-row-data] [--keep-text] [--progress]\n"
       "      [--connection STRING]\n"
       "      what the start button does, in DIR\n"
       "  collect DOCUMENT... [--folder DIR] [--table N] [--first-row-data] [--keep-text]\n"
       "          [--progress] [--connection STRING] [--skip-failures]\n"
       "      table N of many documents (or the folders' documents) into one dt_table\n"
       "  convert MARKUP_FILE [--folder DIR] [--first-row-data] [--utf8] [--keep-text]\n"
       "          [--progress] [--connection STRING]\n"
       "      a table's markup into dt_table of DIR/data.mdb and DIR/cc.html\n"
       "  newdb [FOLDER] [--columns N]  or  newdb --connection STRING [--columns N]\n"
       "      a new data.mdb holding an empty dt_table, or dt_table on a server\n"
       "  import-access OLD.mdb [FOLDER] [--table NAME]\n"
       "      an Access database's table into dt_table of a new data.mdb\n"
       "  quillmere COMMAND --help says more; quillmere --version prints the version.\n");

std::string Usage() { return std::string(quillmere::Tr(kUsageHead)) + quillmere::Tr(kCommands); }

int Misused(const std::string& problem) {
  std::cerr << "quillmere: " << problem << "\n" << Usage();
  return 2;
}

}  // namespace

#if QUILLMERE_GUI
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
#endif

int main(int argc, char** argv) {
  // The command line speaks the locale's language; the window, once open,
  // Chinese.
  quillmere::messages::Use(quillmere::messages::FromEnvironment(),
                           quillmere::messages::Reader::kCommandLine);
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "--version" && argc == 2) {
    std::cout << "quillmere " QUILLMERE_VERSION "\n";
    return 0;
  }
#if QUILLMERE_GUI
  if (argc < 2) return quillmere::Window(argc, argv, nullptr);
  if (command == "--folder" && argc == 3) return quillmere::Window(argc, argv, argv[2]);
#endif
  const std::vector<std::string> args(argv + std::min(argc, 2), argv + argc);
  if (command == "run") return quillmere::cli::Run(args);
  if (command == "collect") return quillmere::cli::Collect(args);
  if (command == "convert") return quillmere::cli::Convert(args);
  if (command == "newdb") return quillmere::cli::Newdb(args);
  if (command == "import-access") return quillmere::cli::ImportAccess(args);
  if (command.empty() || command == "--help" || command == "-h") {
    std::cerr << Usage();
    return 2;
  }
  using quillmere::Fill;
  using quillmere::Tr;
  if (command == "--folder" || command == "--version") {
    const char* problem =
        command == "--folder" ? Tr("--folder takes one folder.") : Tr("--version stands alone.");
    return Misused(problem);
  }
  return Misused(Fill(Tr("unknown command \"%s\"."), command));
}
