#pragma once
// The program's only window: the label "全民K歌分享链接：", the edit box for the share link
// and the button "下载歌曲". It cannot be resized or maximised, Esc closes it, Enter presses
// nothing, and closing it destroys it.
#include <QWidget>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;

class MainWindow : public QWidget {
 public:
  // Outer size, frame and title bar included.
  static constexpr int outer_width = 414;
  static constexpr int outer_height = 153;

  MainWindow();

  // Runs the download for the link in the edit box, tells the user how it went and empties
  // the box.
  void on_download_clicked();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  QLabel* 标签1;
  QLineEdit* 编辑框1;
  QPushButton* 按钮1;
};
