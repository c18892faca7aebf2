#pragma once
// Where the program lives. "/" separates path components; a directory never ends with one,
// so for an executable at "/" the run directory is the empty text.
#include "text/types.h"

// The directory that holds the running executable.
Text run_directory();

// `path` without its last "/" and what follows (searched character by character, so the
// trail byte of a double-byte character is never taken for a separator); a path without a
// separator is returned as it is.
Text directory_of(const Text& path);
