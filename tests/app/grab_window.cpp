// Saves what an X window shows as a PNG file: grab_window WINDOW-ID OUTPUT.png
// Used by scripts/screenshot to picture the program's window in a virtual X server.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: grab_window WINDOW-ID OUTPUT.png\n");
    return 2;
  }
  QGuiApplication application(argc, argv);
  const WId window = std::stoul(argv[1], nullptr, 0);
  const QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(window);
  if (picture.isNull() || !picture.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
    std::fprintf(stderr, "grab_window: could not picture window %s\n", argv[1]);
    return 1;
  }
  return 0;
}
