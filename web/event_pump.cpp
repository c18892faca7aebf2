#include "web/event_pump.h"

namespace {
EventPump installed_pump = nullptr;
}

void set_event_pump(EventPump pump) {
  installed_pump = pump;
}

void pump_events() {
  if (installed_pump) installed_pump();
}
