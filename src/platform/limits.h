// The largest files the program takes, in one place. Past a limit the step
// that meets it fails with a clear error (kFileTooLarge when a file on disk
// is larger, kDocumentTooLarge when a document would make a larger page);
// nothing is read or allocated beyond it. Limits inside a format live with
// its reader (document/read_limits.h) and the conversion's with the
// conversion (convert/conversion_limits.h).
#pragma once

#include <cstdint>

namespace quillmere {

// test.doc, as it lies on disk.
inline constexpr uint64_t kMaxDocumentBytes = uint64_t{256} << 20;

// A web page: test.html as the document server writes it and the start
// command reads it back, the markup file `quillmere convert` reads, and
// cc.html as the browser pane shows it. Word's page takes about 2 KB for a
// row of 10 cells, so this holds some 500,000 such rows; the conversion
// needs about twice the page's size in memory.
inline constexpr uint64_t kMaxPageBytes = uint64_t{1} << 30;

}  // namespace quillmere
