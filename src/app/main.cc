// quillmere: opens the window (see app/run_window.h).
// quillmere run | convert | newdb ...: the command line (see app/cli.h).
#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "app/cli.h"
#include "platform/messages.h"
#include "platform/translation.h"
#if QUILLMERE_GUI
#include "app/run_window.h"
#endif

namespace {

constexpr char kUsage[] =
#if QUILLMERE_GUI
    N_("usage: quillmere                opens the window\n"
       "       quillmere COMMAND ...    runs a command without it:\n"
       "  run [DIR] [--table N] [--first-row-data] [--progress]\n"
       "      what the start button does, in DIR\n"
       "  convert MARKUP_FILE [--folder DIR] [--first-row-data] [--utf8] [--progress]\n"
       "      a table's markup into dt_table of DIR/data.mdb and DIR/cc.html\n"
       "  newdb [FOLDER] [--columns N]\n"
       "      a new data.mdb holding an empty dt_table\n"
       "  quillmere COMMAND --help says more.\n");
#else
    N_("usage: quillmere COMMAND ...    (this build has no window)\n"
       "  run [DIR] [--table N] [--first-row-data] [--progress]\n"
       "      what the start button does, in DIR\n"
       "  convert MARKUP_FILE [--folder DIR] [--first-row-data] [--utf8] [--progress]\n"
       "      a table's markup into dt_table of DIR/data.mdb and DIR/cc.html\n"
       "  newdb [FOLDER] [--columns N]\n"
       "      a new data.mdb holding an empty dt_table\n"
       "  quillmere COMMAND --help says more.\n");
#endif

}  // namespace

int main(int argc, char** argv) {
#if QUILLMERE_GUI
  if (argc < 2) return quillmere::RunWindow(argc, argv);
#endif
  // The command line speaks the locale's language (the window, Chinese).
  quillmere::messages::Use(quillmere::messages::FromEnvironment(),
                           quillmere::messages::Reader::kCommandLine);
  const std::string command = argc > 1 ? argv[1] : "";
  const std::vector<std::string> args(argv + std::min(argc, 2), argv + argc);
  if (command == "run") return quillmere::cli::Run(args);
  if (command == "convert") return quillmere::cli::Convert(args);
  if (command == "newdb") return quillmere::cli::Newdb(args);
  if (command.empty() || command == "--help" || command == "-h") {
    std::cerr << quillmere::Tr(kUsage);
    return 2;
  }
  return quillmere::cli::Misused(quillmere::Fill(quillmere::Tr("unknown command \"%s\"."), command),
                                 kUsage);
}
