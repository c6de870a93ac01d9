// The window's side of `quillmere`: what runs when it is started without
// arguments.
#pragma once

namespace quillmere {

// Opens Form1 with the program's folder as the application folder, wires its
// buttons to the commands, and returns when the window has closed.
int RunWindow(int& argc, char** argv);

}  // namespace quillmere
