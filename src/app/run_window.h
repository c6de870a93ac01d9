// The window's side of `quillmere`: what runs when it is started without
// a command.
#pragma once

#include <string>

#include "app/form1.h"

namespace quillmere {

// What the window's buttons run: Command1 the start command, Command3 the
// conversion command on strTable (its changes landing together or not at
// all), the export button the export command on the table it takes by
// default; and what a drop runs: the start command on one dropped document,
// the collect command on several, or with Check2 ticked the forms command
// on them all.
Form1Commands WindowCommands();

// Opens Form1 on `folder` (in the program's form) as the application folder,
// in front of the document server, and returns when the window has closed.
// It makes the QApplication, the browser engine prepared first. Without a
// display to open on it says so, numbered, and returns 1.
int RunWindow(int& argc, char** argv, const std::u16string& folder);

}  // namespace quillmere
