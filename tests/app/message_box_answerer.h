#pragma once
// Answers the program's message boxes the way a user would: while it lives, every modal
// message box that comes up is recorded and closed with its OK button.
#include <QMessageBox>
#include <QString>
#include <QTimer>
#include <vector>

struct ShownMessageBox {
  QString caption;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  Qt::WindowModality modality = Qt::NonModal;
  bool has_parent = false;
};

class MessageBoxAnswerer {
 public:
  MessageBoxAnswerer();
  const std::vector<ShownMessageBox>& shown() const { return shown_; }
  std::vector<QString> texts() const;

 private:
  void answer();

  QTimer timer_;
  std::vector<ShownMessageBox> shown_;
};
