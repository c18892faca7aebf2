#pragma once
// Handles the window events already queued for this thread, then returns. A request to quit
// is not acted on here: it ends the message loop once control gets back to it.
void process_events();
