// The fallback for formats this program does not read itself (.rtf, .odt,
// .wps, Word 6/95, HTML saved as .doc, ...): LibreOffice, run headless with
// a private profile, converts the document to .docx in a private temporary
// folder, which is removed afterwards whatever happens; the converter's own
// temporary files (TMPDIR) go into that folder too. The folder holds a copy
// of the user's document, so it goes on every way out that runs code: a
// failure, the window closed, and SIGTERM, SIGINT or SIGHUP, which end the
// converter and everything it started, remove the folder, and then end the
// program as they would have.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/status.h"

namespace quillmere::document {

struct ConverterOptions {
  // The converter program. Empty: look for soffice, then libreoffice, in the
  // folders of `search_path`.
  std::string program;
  // Folders separated by ':', as in PATH.
  std::string search_path;
  // A conversion still running after this is stopped.
  std::chrono::milliseconds time_limit{60'000};
  // Where the private working folder goes; empty: the system's temporary folder.
  std::string temp_folder;
  // Called about every 20 ms while the converter runs (the window handles
  // its events); a failure (the window closed) stops the converter at once
  // and is the conversion's result.
  std::function<Status()> keep_going;

  // The program from QUILLMERE_SOFFICE when it is set, the search path from
  // PATH.
  static ConverterOptions FromEnvironment();
};

// The converter program to run, or empty when none is installed.
std::string FindConverter(const ConverterOptions& options);

// Converts `document` to .docx with `program`. `extension` ("rtf", "odt",
// ...) names the input file so the converter can tell its format. The
// working folder, the input, the log and the result are made, written and
// read through `file_system` (the converter itself works on the disk). Fails
// with kConverterTimeout when the time limit runs out, kConverterFailed when
// the converter cannot be run or writes no .docx, and the file errors of the
// working folder and of reading a result beyond `max_result_bytes`.
Status ConvertToDocx(const std::string& program, std::string_view document,
                     std::string_view extension, const ConverterOptions& options,
                     uint64_t max_result_bytes, files::FileSystem& file_system, std::string* docx);

}  // namespace quillmere::document
