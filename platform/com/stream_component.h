#pragma once
// The stream component "Adodb.Stream": a byte buffer that is written as binary and read
// back as text decoded from a charset.
//
// Properties: Type (1 binary, 2 text; changed only while closed or at Position 0), Mode
// (written only while closed; 1, read-only, refuses Write), Position (a byte offset, 0 up
// to Size), Size, State (0 closed, 1 open) and Charset (a label such as "utf-8" or "GBK",
// compared without regard to case; "Unicode" at first; an unknown label is refused and the
// old charset stays). Methods: Open() starts an empty stream, Write(bytes) writes a byte
// array at Position in binary mode, ReadText() decodes from Position to the end in text
// mode (a byte-order mark at the start of the stream is skipped, undecodable bytes become
// U+FFFD) and Close() drops the content.
#include "platform/com/dispatch.h"

ComPtr<IDispatch> create_stream_component();
