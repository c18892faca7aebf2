#pragma once
// Saves data under a path, replacing a file of that name only once the new content is
// complete: it is written to a temporary file in the same directory and renamed over the
// target. On any failure the temporary file is removed and an existing file is left as it
// was.
#include "text/types.h"

// True when `data` (empty data gives an empty file) is saved at `path`; false for an empty
// path, a directory that cannot be written, a failed write or close, or a target that
// cannot be replaced (a directory, for example).
bool write_file(const Text& path, const Bytes& data);
