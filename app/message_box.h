#pragma once
// Shows `text` in a modal box captioned "信息：" with one OK button and no icon, owned by no
// window and modal for the whole program; returns when it is closed.
#include "text/types.h"

void message_box(const Text& text);
