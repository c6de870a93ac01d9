// quillmere: opens the window (see app/run_window.h).
// quillmere run | convert | newdb ...: the command line (see app/cli.h).
#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "app/cli.h"
#if QUILLMERE_GUI
#include "app/run_window.h"
#endif

namespace {

constexpr char kUsage[] =
#if QUILLMERE_GUI
    "usage: quillmere                opens the window\n"
    "       quillmere COMMAND ...    runs a command without it:\n"
#else
    "usage: quillmere COMMAND ...    (this build has no window)\n"
#endif
    "  run [DIR] [--table N] [--first-row-data] [--keep-text] [--progress]\n"
    "      what the start button does, in DIR\n"
    "  convert MARKUP_FILE [--folder DIR] [--first-row-data] [--utf8] [--keep-text]\n"
    "          [--progress]\n"
    "      a table's markup into dt_table of DIR/data.mdb and DIR/cc.html\n"
    "  newdb [FOLDER] [--columns N]\n"
    "      a new data.mdb holding an empty dt_table\n"
    "  quillmere COMMAND --help says more.\n";

}  // namespace

int main(int argc, char** argv) {
#if QUILLMERE_GUI
  if (argc < 2) return quillmere::RunWindow(argc, argv);
#endif
  const std::string command = argc > 1 ? argv[1] : "";
  const std::vector<std::string> args(argv + std::min(argc, 2), argv + argc);
  if (command == "run") return quillmere::cli::Run(args);
  if (command == "convert") return quillmere::cli::Convert(args);
  if (command == "newdb") return quillmere::cli::Newdb(args);
  if (command.empty() || command == "--help" || command == "-h") {
    std::cerr << kUsage;
    return 2;
  }
  return quillmere::cli::Misused("unknown command \"" + command + "\".", kUsage);
}
