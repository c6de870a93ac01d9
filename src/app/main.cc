// quillmere [--folder DIR]: opens the window (quillmere-window, window_main.cc).
// quillmere run | collect | forms | convert | export | newdb ...: the command line (see
// app/cli.h).
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/cli.h"
#include "platform/file_system.h"
#include "platform/messages.h"
#include "platform/translation.h"

namespace {

constexpr char kUsageHead[] =
#if QUILLMERE_GUI
    N_("usage: quillmere [--folder DIR] opens the window (on DIR)\n"
       "       quillmere COMMAND ...    runs a command without it:\n");
#else
    N_("usage: quillmere COMMAND ...    (this build has no window)\n");
#endif

constexpr char kCommands[] =
    N_("  run [DIR | DOCUMENT] [--table N] [--first-row-data] [--keep-text] [--progress]\n"
       "      [--connection STRING]\n"
       "      what the start button does, in DIR (or on DOCUMENT, in its folder)\n"
       "  collect DOCUMENT... [--folder DIR] [--table N] [--first-row-data] [--keep-text]\n"
       "          [--progress] [--connection STRING] [--skip-failures]\n"
       "      table N of many documents (or the folders' documents) into one dt_table\n"
       "  forms DOCUMENT... [--folder DIR] [--table N|N-M|all] [--template BLANK]\n"
       "          [--skip-failures] [--progress] [--connection STRING]\n"
       "      filled-in forms into dt_form, one record per document, a column per label\n"
       "  convert MARKUP_FILE [--folder DIR] [--first-row-data] [--utf8] [--keep-text]\n"
       "          [--progress] [--connection STRING]\n"
       "      a table's markup into dt_table of DIR/data.mdb and DIR/cc.html\n"
       "  export FILE.xlsx|FILE.csv [--folder DIR] [--table NAME] [--connection STRING]\n"
       "         [--force]\n"
       "      a table of DIR/data.mdb as an Excel workbook or a CSV file\n"
       "  newdb [FOLDER] [--columns N]  or  newdb --connection STRING [--columns N]\n"
       "      a new data.mdb holding an empty dt_table, or dt_table on a server\n"
       "  import-access OLD.mdb [FOLDER] [--table NAME]\n"
       "      an Access database's table into dt_table of a new data.mdb\n"
       "  quillmere COMMAND --help says more; quillmere --version prints the version.\n");

std::string Usage() { return std::string(quillmere::Tr(kUsageHead)) + quillmere::Tr(kCommands); }

int Misused(const std::string& problem) {
  std::cerr << "quillmere: " << quillmere::cli::Printed(problem) << "\n" << Usage();
  return 2;
}

}  // namespace

#if QUILLMERE_GUI
namespace quillmere {
namespace {

// The window is a program of its own beside this one, so that the commands
// never load the browser engine and its hundred libraries: a command starts
// in a few milliseconds and a few MiB. It takes the same arguments.
int Window(char** argv) {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  const std::string window = (self.parent_path() / "quillmere-window").string();
  if (!error) ::execv(window.c_str(), argv);
  return cli::Failed(files::ErrnoStatus(error ? error.value() : errno, N_("start"), window));
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
  if (argc < 2 || (command == "--folder" && argc == 3)) return quillmere::Window(argv);
#endif
  const std::vector<std::string> args(argv + std::min(argc, 2), argv + argc);
  if (command == "run") return quillmere::cli::Run(args);
  if (command == "collect") return quillmere::cli::Collect(args);
  if (command == "forms") return quillmere::cli::Forms(args);
  if (command == "convert") return quillmere::cli::Convert(args);
  if (command == "export") return quillmere::cli::Export(args);
  if (command == "newdb") return quillmere::cli::Newdb(args);
  if (command == "import-access") return quillmere::cli::ImportAccess(args);
  if (command == "--help" || command == "-h") {
    std::cout << Usage();
    return 0;
  }
  if (command.empty()) {
    std::cerr << Usage();
    return 2;
  }
  using quillmere::Fill;
  using quillmere::Tr;
  if (command == "--folder" && argc == 2) return Misused(Fill(Tr("%s needs a value."), command));
  if (command == "--folder" || command == "--version") {
    const char* problem =
        command == "--folder" ? Tr("--folder takes one folder.") : Tr("--version stands alone.");
    return Misused(problem);
  }
  return Misused(Fill(Tr("unknown command \"%s\"."), command));
}
