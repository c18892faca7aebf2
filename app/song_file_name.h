#pragma once
// The file name a song is saved under.
#include "text/types.h"

// `song_title` followed by ".mp3", made safe to put after a directory: "/" and control
// characters become "_", and the name is shortened at a character boundary to fit the file
// system's 255 bytes (in UTF-8). An empty title gives ".mp3".
Text song_file_name(const Text& song_title);
