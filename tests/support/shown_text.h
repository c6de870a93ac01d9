// What a browser engine's view shows, as text, for the Qt tests.
#pragma once

#include <QString>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>
#include <memory>
#include <optional>

namespace quillmere::testing {

// The text of the page the view holds now, as the engine gives it (the
// engine answers on the event loop); empty if it does not answer within
// `timeout_ms`.
inline QString ShownText(QWebEngineView& view, int timeout_ms = 10000) {
  auto answer = std::make_shared<std::optional<QString>>();
  view.page()->toPlainText([answer](const QString& text) { *answer = text; });
  if (!QTest::qWaitFor([&] { return answer->has_value(); }, timeout_ms)) return QString();
  return **answer;
}

}  // namespace quillmere::testing
