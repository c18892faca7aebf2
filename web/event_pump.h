#pragma once
// The event pump that web_access runs while it finishes a request. The window layer
// installs its own pump at start-up; until then the pump does nothing, so this layer
// runs without a window.

using EventPump = void (*)();

// Installs `pump` (null restores the pump that does nothing).
void set_event_pump(EventPump pump);

// Runs one pass of the installed pump.
void pump_events();
