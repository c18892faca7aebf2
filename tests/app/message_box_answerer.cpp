#include "tests/app/message_box_answerer.h"

#include <QAbstractButton>
#include <QApplication>

MessageBoxAnswerer::MessageBoxAnswerer() {
  QObject::connect(&timer_, &QTimer::timeout, [this] { answer(); });
  timer_.start(5);
}

std::vector<QString> MessageBoxAnswerer::texts() const {
  std::vector<QString> texts;
  for (const ShownMessageBox& box : shown_) texts.push_back(box.text);
  return texts;
}

void MessageBoxAnswerer::answer() {
  auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  if (box == nullptr || !box->isVisible()) return;
  shown_.push_back({box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                    box->windowModality(), box->parentWidget() != nullptr});
  if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
    ok->click();
  } else {
    box->reject();
  }
}
