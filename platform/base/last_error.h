#pragma once
// The thread's last-error code: platform calls that fail return FALSE or null and leave
// the reason here.
#include "platform/base/win_types.h"

DWORD GetLastError();
void SetLastError(DWORD code);
