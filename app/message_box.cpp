#include "app/message_box.h"

#include <QMessageBox>

#include "app/system_text.h"

void message_box(const Text& text) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("信息："), to_qstring(text), QMessageBox::Ok);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}
