// The preview pane (WebBrowser1, a Qt WebEngine view) on cc.html of the
// benchmarks' table (word_tables.h, 10 columns, every row data), timed from
// the call a run ends with, Navigate2, until the page is shown: loaded and
// its last row present in the text the engine holds. It needs a display:
//
//   scripts/preview-bench.sh [--benchmark_filter=REGEX]
//
// (xvfb-run around build/bench/preview_pane_bench, at the window's size).
// Each iteration uses a fresh pane, so a fresh engine page and renderer, as
// the window's first run meets them. cc.html for 1,000, 20,000 and 100,000
// rows is written once by `quillmere convert` and kept in
// $TMPDIR/quillmere-preview.
//
// Counters: page_bytes, the size of cc.html; parts, how many parts the pane
// shows it in; cpu_s, the processor time this process and the engine's
// used until then (what the time would be on an idle machine, at most); last_part_s, the time from
// asking for the last part until it is shown; stall_ms, the longest the window's event loop went
// without turning over (a 5 ms timer's longest gap) while the pane loaded; peak_MiB, the peak
// resident sets of this process and of the engine's processes (VmHWM), summed, so pages they share
// count in each; pss_MiB, their proportional set sizes summed once the page is shown, which count a
// shared page once.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

#include <unistd.h>

#include "platform/qt/web_browser.h"
#include "platform/qt/web_engine.h"
#include "support/shown_text.h"

namespace quillmere {
namespace {

QString WorkFolder() {
  const QByteArray tmp = qgetenv("TMPDIR");
  return QDir(tmp.isEmpty() ? QStringLiteral("/tmp") : QString::fromLocal8Bit(tmp))
      .filePath(QStringLiteral("quillmere-preview"));
}

// cc.html of `rows` rows, made the first time it is asked for; empty when it
// cannot be made.
QString PreviewPage(int rows) {
  const QString folder = WorkFolder() + QStringLiteral("/%1").arg(rows);
  const QString page = folder + QStringLiteral("/cc.html");
  if (QFile::exists(page)) return page;
  QDir().mkpath(folder);
  const std::string at = folder.toStdString();
  const std::string commands = std::string(MAKE_WORD_TABLE_BINARY) + " " + std::to_string(rows) +
                               " markup '" + at + "/table.html' && " QUILLMERE_BINARY " newdb '" +
                               at + "' > /dev/null && " QUILLMERE_BINARY " convert '" + at +
                               "/table.html' --folder '" + at + "' --first-row-data > /dev/null";
  if (std::system(commands.c_str()) != 0) return QString();
  QFile::remove(folder + QStringLiteral("/table.html"));
  return page;
}

// This process and every process below it (the engine's).
QList<qint64> ProcessTree() {
  QList<qint64> tree{QCoreApplication::applicationPid()};
  for (qsizetype i = 0; i < tree.size(); ++i) {
    const QString tasks = QStringLiteral("/proc/%1/task").arg(tree[i]);
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
      QFile children(tasks + QStringLiteral("/%1/children").arg(task));
      if (!children.open(QIODevice::ReadOnly)) continue;
      for (const QByteArray& child : children.readAll().split(' ')) {
        if (!child.trimmed().isEmpty()) tree.append(child.trimmed().toLongLong());
      }
    }
  }
  return tree;
}

// The sum over the tree of a field of /proc/PID/FILE given in kB, in MiB.
double TreeSum(const char* file, const char* field) {
  double kib = 0;
  for (qint64 pid : ProcessTree()) {
    QFile proc(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(file)));
    if (!proc.open(QIODevice::ReadOnly)) continue;
    for (const QByteArray& line : proc.readAll().split('\n')) {
      if (line.startsWith(field))
        kib += line.mid(qstrlen(field)).trimmed().split(' ')[0].toDouble();
    }
  }
  return kib / 1024;
}

// The processor time the tree has used, in seconds.
double TreeCpuSeconds() {
  double ticks = 0;
  for (qint64 pid : ProcessTree()) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) continue;
    const QByteArray fields = stat.readAll();
    // After the name in parentheses: state is field 3, utime 14 and stime 15.
    const QList<QByteArray> after = fields.mid(fields.lastIndexOf(')') + 2).split(' ');
    if (after.size() > 12) ticks += after[11].toDouble() + after[12].toDouble();
  }
  return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Waits for the pane's next finished load, then looks for `last` in its
// text, `times` times; false if it is not there or the load took a minute.
bool Shown(WebBrowser& pane, QSignalSpy& loads, const QString& last, int times = 1) {
  if (loads.isEmpty() && !loads.wait(60000)) return false;
  return testing::ShownText(pane, 60000).count(last) >= times;
}

void BM_PaneShowsPage(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  const QString page = PreviewPage(rows);
  if (page.isEmpty()) {
    state.SkipWithError("cc.html could not be made");
    return;
  }
  const qint64 page_bytes = QFileInfo(page).size();
  // The last statement's end: the table's last row, as dt_table holds it.
  const QString last_row = QStringLiteral("'cell%1')").arg((rows - 1) * 10 + 9);
  double peak = 0, pss = 0, stall = 0, last_part = 0, cpu = 0;
  int parts = 0;
  for (auto _ : state) {
    auto window = std::make_unique<QWidget>();
    window->resize(977, 281);  // WebBrowser1 in the window
    auto* pane = new WebBrowser(window.get());
    pane->resize(window->size());
    window->show();
    QSignalSpy loads(pane, &QWebEngineView::loadFinished);
    QElapsedTimer clock, since_tick;
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout,
                     [&] { stall = std::max(stall, static_cast<double>(since_tick.restart())); });
    QObject::connect(pane, &QWebEngineView::loadFinished, &ticks, &QTimer::stop);
    const double cpu_before = TreeCpuSeconds();
    clock.start();
    since_tick.start();
    ticks.start(5);
    pane->Navigate2(page.toStdU16String());
    // A page in parts is shown when the links below its first part are.
    const bool shown = page_bytes <= static_cast<qint64>(WebBrowser::kPartBytes)
                           ? Shown(*pane, loads, last_row)
                           : Shown(*pane, loads, QStringLiteral("这是第 1 部分"), 2);
    state.SetIterationTime(clock.elapsed() / 1000.0);
    cpu += TreeCpuSeconds() - cpu_before;
    if (!shown) {
      state.SkipWithError("the page was not shown within a minute");
      break;
    }
    parts = pane->PartCount();
    if (parts > 1) {
      loads.clear();
      clock.restart();
      pane->ShowPart(parts - 1);
      if (!Shown(*pane, loads, last_row)) {
        state.SkipWithError("the last part was not shown within a minute");
        break;
      }
      last_part = clock.elapsed() / 1000.0;
    }
    peak = std::max(peak, TreeSum("status", "VmHWM:"));
    pss = std::max(pss, TreeSum("smaps_rollup", "Pss:"));
    // The next iteration's figures are its own: this pane's renderer gone.
    const QString renderer = QStringLiteral("/proc/%1").arg(pane->page()->renderProcessPid());
    window.reset();
    if (!QTest::qWaitFor([&] { return !QFile::exists(renderer); }, 10000)) {
      state.SkipWithError("the engine's renderer did not end");
      break;
    }
  }
  state.counters["page_bytes"] = static_cast<double>(page_bytes);
  state.counters["parts"] = parts;
  state.counters["last_part_s"] = last_part;
  state.counters["stall_ms"] = stall;
  state.counters["cpu_s"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
  state.counters["peak_MiB"] = peak;
  state.counters["pss_MiB"] = pss;
}
BENCHMARK(BM_PaneShowsPage)
    ->Arg(1000)
    ->Arg(20000)
    ->Arg(100000)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillmere

int main(int argc, char** argv) {
  quillmere::PrepareWebEngine();
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
