// A drag source in a process of its own, as a file manager is one: a small
// window at the position given that, when pressed, drags the files named
// offering copy, move and link (move proposed, as a file manager proposes it
// within one file system), and prints the action the target answered:
// copy, move, link or none.
//   drag_source X Y FILE...
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <cstdio>

namespace {

class Source : public QWidget {
 public:
  explicit Source(QList<QUrl> urls) : urls_(std::move(urls)) {
    setWindowTitle(QStringLiteral("drag source"));
    setStyleSheet(QStringLiteral("background: #3a6"));
  }

 protected:
  void mousePressEvent(QMouseEvent*) override {
    auto* drag = new QDrag(this);
    auto* dragged = new QMimeData;
    dragged->setUrls(urls_);
    drag->setMimeData(dragged);
    const Qt::DropAction answered =
        drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::MoveAction);
    const char* name = answered == Qt::CopyAction   ? "copy"
                       : answered == Qt::MoveAction ? "move"
                       : answered == Qt::LinkAction ? "link"
                                                    : "none";
    std::printf("%s\n", name);
    std::fflush(stdout);
    QApplication::quit();
  }

 private:
  QList<QUrl> urls_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 4) return 2;
  QList<QUrl> urls;
  for (int i = 3; i < argc; ++i) urls << QUrl::fromLocalFile(QString::fromLocal8Bit(argv[i]));
  Source source(urls);
  source.setGeometry(atoi(argv[1]), atoi(argv[2]), 160, 100);
  source.show();
  return app.exec();
}
