// Which folder is the application folder when none is named, and the user's
// own folder that an installed program makes on its first start.
//
// A program started from a folder it may write into (its build folder, a copy
// unpacked anywhere) keeps test.doc, data.mdb and the pages of a run beside
// itself, as it always has. An installed program's folder (/usr/bin) is
// neither the user's nor one to write into, even for root, so there each user
// gets ~/Quillmere: made on the first start with an empty data.mdb and, that
// once, the sample document installed with the program as test.doc, so the
// first click works as it does from the source tree.
#pragma once

#include <functional>
#include <string>

#include "platform/file_system.h"
#include "platform/status.h"

namespace quillmere::files {

// What the choice rests on. Paths are native.
struct ProgramSite {
  std::string folder;     // the folder that holds the program
  bool writable = false;  // this user may create files in it
  std::string sample;     // the installed sample document; empty when not installed
  std::string home;       // the user's home folder; empty when there is none
};

// The running program's site. An installed program finds its sample in its
// data folder (../share/quillmere beside its bin folder).
ProgramSite ThisProgram();

// The application folder for `site`: the program's own folder when it is
// writable and the program is not installed (or there is no home folder to
// go to), else the user's folder, HOME/Quillmere.
std::string ChooseApplicationFolder(const ProgramSite& site);

// Makes the user's `folder` when it is not there yet, holding a data.mdb made
// by `make_database` and a copy of `sample` as test.doc (no copy when
// `sample` is empty). The folder is built whole beside its place and then
// renamed into it, so a start that fails half-way leaves nothing behind and
// the next start tries again. A folder already there is left as it is.
// Every step but the database goes through `file_system`.
using MakeDatabase = std::function<Status(const std::string& folder)>;
Status MakeUserFolder(const std::string& folder, const std::string& sample,
                      const MakeDatabase& make_database, FileSystem& file_system = Disk());

}  // namespace quillmere::files
