#include "app/run_window.h"

#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "app/cli.h"
#include "capture/collect_command.h"
#include "capture/document_list.h"
#include "capture/export_command.h"
#include "capture/forms_command.h"
#include "capture/start_command.h"
#include "document/document_server.h"
#include "output/conversion_command.h"
#include "output/conversion_run.h"
#include "platform/encoding/printable.h"
#include "platform/encoding/unicode.h"
#include "platform/messages.h"
#include "platform/program_paths.h"
#include "platform/qt/framer_control.h"
#include "platform/qt/web_browser.h"
#include "platform/qt/web_engine.h"
#include "platform/translation.h"

namespace quillmere {

namespace {

StartContext Window(Form1& form) {
  return StartContext{form.app_folder(), form.FramerControl1(), form,
                      form.state(),      form.WebBrowser1(),    form.Label1Progress()};
}

Status Start(Form1& form) {
  StartContext window = Window(form);
  return Command1_Click(window);
}

// With Check2 ticked: the documents read as filled-in forms, the form
// being the table Combo1 chooses, the documents teaching its labels.
Status ReadDroppedForms(StartContext& window, const std::vector<std::string>& documents) {
  FormsOptions options;
  options.tables.first = options.tables.last = SelectedTable(window.controls);
  FormsRead read;
  return ReadForms(window, documents, options, &read);
}

// The documents dropped, each once: one is run as if it were test.doc,
// several collected with the window's table and header option; any bad one
// stops the collection. With Check2 ticked, they are read as forms.
Status RunDropped(Form1& form, const std::vector<std::string>& documents) {
  StartContext window = Window(form);
  if (form.OneRecordPerDocument()) return ReadDroppedForms(window, documents);
  if (documents.size() == 1) {
    window.document = files::ProgramPath(documents[0]);
    return Command1_Click(window);
  }
  Collected collected;
  return CollectTables(window, documents, false, &collected);
}

// The files and folders dropped (a folder's documents for a folder). A file
// dropped more than once (twice, or with its folder) is read once, and the
// status line says so after the run's closing text.
Status Drop(Form1& form, const std::vector<std::string>& paths) {
  std::vector<std::string> documents, repeats;
  QM_RETURN_IF_ERROR(ListDocuments(paths, files::Disk(), &documents, &repeats));
  QM_RETURN_IF_ERROR(RunDropped(form, documents));
  if (!repeats.empty()) {
    const size_t n = repeats.size();
    form.AddToStatus(
        unicode::FromUtf8(Fill(TrPlural(" (%s file dropped more than once, read once)",
                                        " (%s files dropped more than once, each read once)", n),
                               n)));
  }
  return Status();
}

// The export button: the table `quillmere export` takes by default written
// to `file` (the save dialog asked before replacing one), from the database
// a run uses, on the window's connection. The status line then says what
// was written where, the file's name before its folder, which a long line
// loses first.
Status ExportFromWindow(Form1& form, const std::string& file) {
  FormState& state = form.state();
  QM_RETURN_IF_ERROR(OpenDataMdb(state, form.app_folder()));
  Exported exported;
  QM_RETURN_IF_ERROR(ExportTable(*state.cn, {file, "", true}, files::Disk(), &exported));
  const std::filesystem::path path(file);
  const auto rows = static_cast<uint64_t>(exported.rows);
  form.Label1Progress().ShowStatus(
      unicode::FromUtf8(Fill(TrPlural("Exported %1$s row of %2$s to %3$s in %4$s",
                                      "Exported %1$s rows of %2$s to %3$s in %4$s", rows),
                             rows, exported.table, printable::Escaped(path.filename().string()),
                             printable::Escaped(path.parent_path().string()))));
  return Status();
}

// The conversion on its own, as the hidden Command3 would run it: on an open
// connection its inserts form one transaction; on a closed one the first
// insert fails, as it always has.
Status Convert(Form1& form) {
  FormState& state = form.state();
  adodb::Connection& cn = adodb::EnsureCreated(state.cn);
  auto convert = [&] {
    return Command3_Click(state, form.app_folder(), form.WebBrowser1(), form.Label1Progress());
  };
  if (cn.State() != adodb::kStateOpen) return PlacePreview(state, convert());
  return PlacePreview(state, RunInTransaction(cn, convert));
}

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

Status NoDisplay(const std::string& why) {
  return Status(ErrorNumber::kNoDisplay,
                Fill(Tr("No display is available (%s), so the window cannot open. The command "
                        "line works without one: quillmere run, quillmere collect and quillmere "
                        "convert do what the window does, and quillmere --help lists them."),
                     why));
}

// What a platform of QT_QPA_PLATFORM needs ("xcb" DISPLAY, "wayland"
// WAYLAND_DISPLAY), or nullptr for one that draws without a display
// (offscreen, as the tests use, vnc, linuxfb ...).
const char* DisplayVariableFor(std::string_view platform) {
  platform = platform.substr(0, platform.find(':'));  // "xcb:option=..."
  if (platform.rfind("xcb", 0) == 0) return "DISPLAY";
  if (platform.rfind("wayland", 0) == 0) return "WAYLAND_DISPLAY";
  return nullptr;
}

// Whether the environment names somewhere for the window to appear: Qt
// ends the program (SIGABRT) when it has none.
Status DisplayNamed() {
  const std::string platforms = Variable("QT_QPA_PLATFORM");
  if (platforms.empty()) {
    if (!Variable("DISPLAY").empty() || !Variable("WAYLAND_DISPLAY").empty()) return Status();
    return NoDisplay(Tr("neither DISPLAY nor WAYLAND_DISPLAY is set"));
  }
  std::string missing;
  for (size_t start = 0; start <= platforms.size();) {  // a list, each tried in turn
    size_t end = std::min(platforms.find(';', start), platforms.size());
    const char* needed = DisplayVariableFor(std::string_view(platforms).substr(start, end - start));
    if (needed == nullptr || !Variable(needed).empty()) return Status();
    missing = needed;
    start = end + 1;
  }
  return NoDisplay(Fill(Tr("QT_QPA_PLATFORM is \"%1$s\" and %2$s is not set"), platforms, missing));
}

// While the application is made: a display named but not reached ends Qt
// with a fatal message that suggests reinstalling; it ends here instead,
// numbered. Every other message goes where it went.
QtMessageHandler qt_messages = nullptr;
void StartingMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type != QtFatalMsg) return qt_messages(type, context, text);
  const std::string display = Variable("DISPLAY");
  ::_exit(cli::Failed(NoDisplay(Fill(Tr("the display \"%s\" could not be opened"),
                                     display.empty() ? Variable("WAYLAND_DISPLAY") : display))));
}

}  // namespace

Form1Commands WindowCommands() { return Form1Commands{Start, Convert, Drop, ExportFromWindow}; }

int RunWindow(int& argc, char** argv, const std::u16string& folder) {
  if (Status display = DisplayNamed(); !display.ok()) return cli::Failed(display);
  PrepareWebEngine();
  qt_messages = qInstallMessageHandler(StartingMessages);
  QApplication app(argc, argv);
  qInstallMessageHandler(qt_messages);
  QApplication::setDesktopFileName("quillmere");  // the menu entry, quillmere.desktop
  // After QApplication, which sets the locale from the environment.
  messages::Use(messages::Language::kChinese, messages::Reader::kWindow);
  // While LibreOffice converts a document the window handles its events, so
  // that closing it stops the conversion as it stops a run.
  Form1* window = nullptr;
  document::ReaderOptions options;
  options.converter.keep_going = [&window] {
    return window != nullptr ? window->Label1Progress().Yield() : Status();
  };
  document::DocumentServer document_server(options);
  Form1 form(folder, document_server, WindowCommands());
  window = &form;
  form.show();
  return app.exec();
}

}  // namespace quillmere
