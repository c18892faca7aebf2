#pragma once
// Code-page conversions between narrow text and UTF-16, shaped like the platform's
// MultiByteToWideChar and WideCharToMultiByte, over glibc iconv.
//
// Supported code pages: 936 (GBK, glibc's CP936), 54936 (GB18030) and 65001 (UTF-8); CP_ACP, the
// system ANSI code page, is GB18030. Undecodable input never stops a conversion: a byte sequence
// that cannot be decoded becomes U+FFFD, a character the target code page cannot hold
// becomes "?". Two-call protocol: with a zero output size the call returns the size needed,
// and converting into a buffer of that size writes exactly that many units or bytes.
// A source length of -1 means "up to and including the terminating zero".
#include "platform/base/win_types.h"

inline constexpr UINT CP_ACP = 0;
inline constexpr UINT CP_GBK = 936;
inline constexpr UINT CP_GB18030 = 54936;
inline constexpr UINT CP_UTF8 = 65001;
inline constexpr DWORD WC_COMPOSITECHECK = 0x00000200;

// Returns the number of UTF-16 units written (or needed when wide_length is 0); 0 on
// failure with the last-error set (unknown code page, invalid arguments, buffer too small).
int MultiByteToWideChar(UINT code_page, DWORD flags, const char* multi_byte, int multi_byte_length,
                        char16_t* wide, int wide_length);

// Returns the number of bytes written (or needed when multi_byte_length is 0); 0 on failure
// with the last-error set. default_char and used_default_char may be null.
int WideCharToMultiByte(UINT code_page, DWORD flags, const char16_t* wide, int wide_length,
                        char* multi_byte, int multi_byte_length, const char* default_char,
                        BOOL* used_default_char);
