#include "document/soffice/converter.h"

#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>
#include <sstream>

#include "document/soffice/child_process.h"
#include "platform/translation.h"

namespace quillmere::document {

namespace {

namespace fs = std::filesystem;

// A folder of our own under the temporary folder, removed with everything
// in it when it goes out of scope.
class WorkFolder {
 public:
  static Status Create(files::FileSystem& file_system, const std::string& parent,
                       std::unique_ptr<WorkFolder>* out) {
    std::error_code error;
    fs::path base = parent.empty() ? fs::temp_directory_path(error) : fs::path(parent);
    if (error) {
      return Status(ErrorNumber::kFileIo, Fill(Tr("No temporary folder: %s."), error.message()));
    }
    std::string path;
    QM_RETURN_IF_ERROR(file_system.MakeWorkingFolder(base.string(), "quillmere-convert-", &path));
    out->reset(new WorkFolder(file_system, path));
    return Status();
  }
  ~WorkFolder() { (void)file_system_.RemoveFolder(path_.string()); }
  std::string Path() const { return path_.string(); }
  std::string Path(const std::string& name) const { return (path_ / name).string(); }

 private:
  WorkFolder(files::FileSystem& file_system, fs::path path)
      : file_system_(file_system), path_(std::move(path)) {}
  files::FileSystem& file_system_;
  fs::path path_;
};

// A file: URL for a local folder, as the converter's options take it.
std::string FileUrl(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : path) {
    if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      url += static_cast<char>(c);
    } else {
      url += {'%', kHex[c >> 4], kHex[c & 15]};
    }
  }
  return url;
}

// The converter's last words, for the message when it fails.
std::string LastLine(files::FileSystem& file_system, const std::string& log_path) {
  std::string line, last;
  auto end_line = [&] {
    if (line.find_first_not_of(" \t\r") != std::string::npos) last = line;
    line.clear();
  };
  // A log that cannot be read says nothing.
  (void)file_system.ReadWholeFileInPieces(
      log_path, std::numeric_limits<uint64_t>::max(), [&](std::string_view piece, uint64_t) {
        for (size_t end; (end = piece.find('\n')) != std::string_view::npos;
             piece.remove_prefix(end + 1)) {
          line.append(piece.substr(0, end));
          end_line();
        }
        line.append(piece);
        return Status();
      });
  end_line();
  return last.empty() ? "it said nothing" : "it said: " + last.substr(0, 300);
}

}  // namespace

ConverterOptions ConverterOptions::FromEnvironment() {
  ConverterOptions options;
  if (const char* program = std::getenv("QUILLMERE_SOFFICE")) options.program = program;
  if (const char* path = std::getenv("PATH")) options.search_path = path;
  return options;
}

std::string FindConverter(const ConverterOptions& options) {
  if (!options.program.empty()) {
    return access(options.program.c_str(), X_OK) == 0 ? options.program : std::string();
  }
  for (const char* name : {"soffice", "libreoffice"}) {
    std::istringstream folders(options.search_path);
    for (std::string folder; std::getline(folders, folder, ':');) {
      std::string candidate = folder + "/" + name;
      if (!folder.empty() && access(candidate.c_str(), X_OK) == 0) return candidate;
    }
  }
  return {};
}

Status ConvertToDocx(const std::string& program, std::string_view document,
                     std::string_view extension, const ConverterOptions& options,
                     uint64_t max_result_bytes, files::FileSystem& file_system, std::string* docx) {
  // Declared first, so the working folder is removed before a stop signal
  // noted meanwhile ends the program.
  StopSignalsDeferred stop_signals;
  std::unique_ptr<WorkFolder> work;
  QM_RETURN_IF_ERROR(WorkFolder::Create(file_system, options.temp_folder, &work));
  const std::string input = work->Path("document." + std::string(extension));
  const std::string output_folder = work->Path("out");
  const std::string log = work->Path("converter.log");
  QM_RETURN_IF_ERROR(file_system.WriteWholeFile(input, document));
  // Its temporary files go into the working folder too, so they are removed
  // with it even when the converter is killed before it can clean up.
  std::string temp;
  QM_RETURN_IF_ERROR(file_system.MakeWorkingFolder(work->Path(), "temp-", &temp));

  int exit_code = 0;
  QM_RETURN_IF_ERROR(
      RunToCompletion({program, "-env:UserInstallation=" + FileUrl(work->Path("profile")),
                       "--headless", "--invisible", "--nologo", "--norestore", "--nolockcheck",
                       "--convert-to", "docx:MS Word 2007 XML", "--outdir", output_folder, input},
                      log, {"TMPDIR=" + temp, "TMP=" + temp, "TEMP=" + temp}, options.time_limit,
                      options.keep_going, &exit_code));

  const std::string result = output_folder + "/document.docx";
  if (!file_system.Exists(result)) {
    return Status(ErrorNumber::kConverterFailed,
                  Fill(Tr("LibreOffice could not convert it (exit status %1$s; %2$s)."), exit_code,
                       LastLine(file_system, log)));
  }
  return file_system.ReadWholeFile(result, max_result_bytes, docx);
}

}  // namespace quillmere::document
