#pragma once
// The regular-expression component "VBScript.RegExp".
//
// Properties IgnoreCase, Global, Multiline, Singleline (the dot also matches line ends)
// and Pattern, read and written; methods Execute(subject) giving a match collection,
// Replace(subject, replacement) giving a string, and Test(subject) giving a boolean.
// A pattern is compiled once, on first use after a property changed; a pattern that does
// not compile makes the three methods fail with REGEXP_E_SYNTAX.
#include "platform/com/dispatch.h"

ComPtr<IDispatch> create_regexp_component();
