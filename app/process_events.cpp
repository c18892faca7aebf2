#include "app/process_events.h"

#include <QCoreApplication>

void process_events() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}
