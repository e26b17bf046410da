#pragma once
// <windows.h> for the window's files, after the declarations of ours whose
// names its macros would take over (IDOK, WM_USER, WM_TIMER, S_OK, MessageBox):
// the dialogs' logic and what it includes come first, and the macro
// MessageBox is dropped.
#include "app/dlg_toolkit_upload.h"
#include "app/tarn_toolkit_dlg.h"
#include "app/ui.h"
#include "platform/hresult.h"

#include <windows.h>

#undef MessageBox
