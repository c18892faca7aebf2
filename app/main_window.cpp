#include "app/main_window.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <limits>

#include "app/download_song.h"
#include "app/message_box.h"
#include "app/system_text.h"

namespace {

QFont label_font() {
  // No face name: the platform's default face is used at 12 pixels, normal weight.
  QFont font;
  font.setFamilies({});
  font.setPixelSize(12);
  font.setWeight(QFont::Normal);
  font.setItalic(false);
  font.setUnderline(false);
  font.setStrikeOut(false);
  font.setStyleStrategy(QFont::PreferQuality);
  return font;
}

}  // namespace

MainWindow::MainWindow()
    : 标签1(new QLabel(QStringLiteral("全民K歌分享链接："), this)),
      编辑框1(new QLineEdit(this)),
      按钮1(new QPushButton(QStringLiteral("下载歌曲"), this)) {
  setObjectName(QStringLiteral("MainWindow"));
  setWindowTitle(QStringLiteral("by:Tolvane"));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setAttribute(Qt::WA_DeleteOnClose);
  setFixedSize(outer_width, outer_height);  // until the frame is known, see showEvent
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  move(screen.x() + (screen.width() - outer_width) / 2,
       screen.y() + (screen.height() - outer_height) / 2);

  QPalette window_palette = palette();
  window_palette.setColor(QPalette::Window, window_palette.color(QPalette::Button));
  setPalette(window_palette);
  setAutoFillBackground(true);

  标签1->setObjectName(QStringLiteral("标签1"));
  标签1->setGeometry(16, 8, 96, 24);
  标签1->setFont(label_font());
  标签1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  标签1->setFrameShape(QFrame::NoFrame);
  QPalette label_palette = 标签1->palette();
  label_palette.setColor(QPalette::WindowText, Qt::black);
  标签1->setPalette(label_palette);
  标签1->setAutoFillBackground(true);

  编辑框1->setObjectName(QStringLiteral("编辑框1"));
  编辑框1->setGeometry(16, 32, 368, 40);
  编辑框1->setMaxLength(std::numeric_limits<int>::max());
  编辑框1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  QPalette edit_palette = 编辑框1->palette();
  edit_palette.setColor(QPalette::Base, Qt::white);
  edit_palette.setColor(QPalette::Text, Qt::black);
  编辑框1->setPalette(edit_palette);

  按钮1->setObjectName(QStringLiteral("按钮1"));
  按钮1->setGeometry(136, 80, 96, 40);
  按钮1->setAutoDefault(false);
  按钮1->setDefault(false);
  connect(按钮1, &QPushButton::clicked, this, &MainWindow::on_download_clicked);

  setTabOrder(编辑框1, 按钮1);
  编辑框1->setFocus();
}

void MainWindow::on_download_clicked() {
  // While the page is fetched, queued events are handled: a click there runs a nested
  // download to its end, and the window may be closed or even destroyed meanwhile. A closed
  // window gets no message and a destroyed one is not touched; the song is saved anyway.
  const QPointer<MainWindow> window(this);
  const Text message = download_song(from_qstring(编辑框1->text()));
  if (window && window->isVisible()) message_box(message);
  if (window) window->编辑框1->clear();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void MainWindow::showEvent(QShowEvent* event) {
  // The outer size is fixed; the client area is what the frame leaves of it.
  if (const QWindow* handle = windowHandle()) {
    const QMargins frame = handle->frameMargins();
    setFixedSize(outer_width - frame.left() - frame.right(),
                 outer_height - frame.top() - frame.bottom());
  }
  QWidget::showEvent(event);
}
