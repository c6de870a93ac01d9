#include "app/run_window.h"

#include <QApplication>

#include "capture/start_command.h"
#include "document/document_server.h"
#include "output/conversion_command.h"
#include "output/conversion_run.h"
#include "platform/filename.h"
#include "platform/messages.h"
#include "platform/qt/framer_control.h"
#include "platform/qt/web_browser.h"
#include "platform/qt/web_engine.h"

namespace quillmere {

namespace {

Status Start(Form1& form) {
  StartContext window{form.app_folder(), form.FramerControl1(), form,
                      form.state(),      form.WebBrowser1(),    form.Label1Progress()};
  return Command1_Click(window);
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
  if (cn.State() != adodb::kStateOpen) return convert();
  return RunInTransaction(cn, convert);
}

}  // namespace

Form1Commands WindowCommands() { return Form1Commands{Start, Convert}; }

int RunWindow(int& argc, char** argv, const std::u16string& folder) {
  PrepareWebEngine();
  QApplication app(argc, argv);
  QApplication::setDesktopFileName("quillmere");  // the menu entry, quillmere.desktop
  // After QApplication, which sets the locale from the environment.
  messages::Use(messages::Language::kChinese, messages::Reader::kWindow);
  document::DocumentServer document_server;
  Form1 form(folder, document_server, WindowCommands());
  form.show();
  return app.exec();
}

}  // namespace quillmere
