// The window's side of `quillmere`: what runs when it is started without
// arguments.
#pragma once

#include "app/form1.h"

namespace quillmere {

// What the window's buttons run: Command1 the start command, Command3 the
// conversion command on strTable (its changes landing together or not at
// all).
Form1Commands WindowCommands();

// Opens Form1 with the program's folder as the application folder, in front
// of the document server, and returns when the window has closed.
int RunWindow(int& argc, char** argv);

}  // namespace quillmere
