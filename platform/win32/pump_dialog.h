// The dialog window whose keys the program's pump passes through the dialog manager first
// (IsDialogMessage): set by the toolkit's dialog windows as they activate, and by the dialog boxes
// that run on the pump (platform/win32/dialog.cpp).
#pragma once

#include <windows.h>

namespace platform {

HWND pumpDialog();
void setPumpDialogHandle(HWND dialog);

}  // namespace platform
