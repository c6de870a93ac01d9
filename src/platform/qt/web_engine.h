// What Qt WebEngine, the browser engine of the preview pane, needs set up
// before the application object exists.
#pragma once

namespace quillmere {

// The scheme of the parts a long page is shown in (see web_browser.h).
inline constexpr char kPagePartScheme[] = "quillmere-part";

// Call once, before the QApplication is made: the engine then shares the
// window's OpenGL contexts, knows the parts' scheme, runs without its sandbox
// when the program runs as root, and keeps its start-up report to itself.
void PrepareWebEngine();

}  // namespace quillmere
