#include "platform/qt/web_engine.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QWebEngineUrlScheme>

#include <cstdlib>

namespace quillmere {

void PrepareWebEngine() {
  // The engine's sandbox refuses to start as root. The program runs as root
  // only in CI, in the tests and in the package test, on pages it wrote
  // itself; as an ordinary user, as installed, it keeps the sandbox.
  if (geteuid() == 0) setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", /*overwrite=*/0);
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  // Every start would print the engine's graphics set-up; QT_LOGGING_RULES
  // can still ask for it.
  QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
  QWebEngineUrlScheme scheme(kPagePartScheme);
  scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
  QWebEngineUrlScheme::registerScheme(scheme);
}

}  // namespace quillmere
