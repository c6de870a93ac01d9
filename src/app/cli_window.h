// What `quillmere run` and `quillmere collect` give the commands in place of
// the window: the document server, the controls as the arguments set them,
// the form, no browser pane, and the status texts on standard error.
#pragma once

#include "app/cli.h"
#include "app/stderr_progress.h"
#include "capture/start_command.h"
#include "document/document_server.h"
#include "platform/file_system.h"

namespace quillmere::cli {

class CommandLineWindow {
 public:
  // Table `table`, the header option, --keep-text, --progress and
  // --connection as `arguments` give them, in `folder`.
  CommandLineWindow(const Arguments& arguments, int32_t table, const std::u16string& folder)
      : controls_(table, arguments.Has("--first-row-data")),
        label_(arguments.Has("--progress")),
        context_{folder, server_, controls_, form_, browser_, label_, disk_} {
    SetFormOptions(arguments, &form_);
  }

  StartContext& context() { return context_; }
  const FormState& form() const { return form_; }
  files::FileSystem& disk() { return disk_; }
  // Ends the status texts' line.
  void Done() { label_.Done(); }

 private:
  files::FileSystem& disk_ = files::Disk();
  document::DocumentServer server_{document::ReaderOptions(), disk_};
  OptionControls controls_;
  FormState form_;
  NoBrowser browser_;
  StderrProgress label_;
  StartContext context_;
};

}  // namespace quillmere::cli
