#pragma once
// Per-thread initialisation of the automation runtime. Objects can be created only on a
// thread that has initialised it; every initialisation is paired with one uninitialisation.
#include "platform/base/win_types.h"

// S_OK for the thread's first initialisation, S_FALSE when it was already initialised;
// either way the thread's count goes up by one. `reserved` must be null.
HRESULT CoInitialize(void* reserved);
// Gives back one initialisation; does nothing on a thread that holds none.
void CoUninitialize();

// The window thread's initialisation at start-up; counted with CoInitialize.
HRESULT OleInitialize(void* reserved);
void OleUninitialize();

// How many initialisations the calling thread holds.
int com_initialization_count();
