// Shared helpers of the page tests.
#pragma once

#include <windows.h>

#include <string>

// Dispatches every queued message of this thread.
void PumpMessages();
std::wstring WindowCaption(HWND window);
