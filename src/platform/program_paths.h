// The program's own form of a path, the program's folder and the files in
// it, one function per file, and how a path in that form becomes a native
// path, the only kind the file system (platform/file_system.h) takes.
//
// The program writes a path its own way: the folder followed by a fixed
// literal whose backslashes are separators. The start command's files and
// the preview page, as they are opened, take two backslashes ("\\test.doc");
// the browser pane's target and the database take one. The doubled separator
// is kept on purpose: it is what the program has always handed the document
// host, and a file system reads it as one separator, so both forms of
// cc.html name the same file.
//
// A name on this system may hold a backslash, which such a path would take
// for a separator. A folder therefore enters the program's form through
// ProgramPath, which carries each backslash of its own as the private-use
// character U+F05C (as Cygwin carries the characters a Windows name cannot
// hold), each byte of a name that is no UTF-8 (names are bytes here) as one
// of U+F080 to U+F0FF, and escapes those and U+F05C and U+F05B of its own
// with U+F05B; NativePath undoes all of it. The folder's own bytes come back
// exactly as they were, and the program's form stays text that any Unicode
// conversion keeps.
#pragma once

#include <string>
#include <string_view>

namespace quillmere::files {

// A native path (UTF-8, or any bytes) in the program's form.
std::u16string ProgramPath(std::string_view native_path);

// A path in the program's form as a path of this file system: every
// backslash is a separator, a run of separators counts as one, and the
// characters ProgramPath carried are themselves again.
std::string NativePath(std::u16string_view program_path);

// The folder that holds the running program, in the program's form, without
// a trailing separator.
std::u16string ApplicationFolder();

// The files of `folder` (in the program's form), in the program's form.
std::u16string DocumentFileName(std::u16string_view folder);  // test.doc
std::u16string WebPageFileName(std::u16string_view folder);   // test.html
std::u16string TableFileName(std::u16string_view folder);     // tabletest.html
std::u16string PreviewFileName(std::u16string_view folder);   // cc.html, to write it
std::u16string PreviewTarget(std::u16string_view folder);     // cc.html, for the browser pane

// data.mdb: the name opendatabase is given with the folder, and the path it
// makes of the two.
inline constexpr std::u16string_view kDatabaseName = u"data.mdb";
std::u16string DatabaseFileName(std::u16string_view folder);

// data.dsn: an ODBC file data source that, when the folder holds it, the runs
// use instead of data.mdb.
std::u16string DataSourceFileName(std::u16string_view folder);

}  // namespace quillmere::files
