#pragma once
// The work of one press of "下载歌曲", apart from the window.
#include "text/types.h"

// Fetches the share page at `share_link` (sent as typed), cuts the media address and the
// title out of it, downloads the media and saves it in the run directory as
// "<title>.mp3". Returns the message for the user: "<title>下载成功" on success, otherwise
// what went wrong.
Text download_song(const Text& share_link);
