#include "controller/config_dialog.h"

#include "controller/settings.h"

namespace {

BOOL OnInitDialog(HWND dialog) {
    ReadSettings();
    // Unsigned on purpose: the field accepts digits only, so a negative value shows as its
    // 32-bit pattern rather than as text the field could not have taken.
    SetDlgItemInt(dialog, kMinutesEditId, static_cast<UINT>(gMinutes), FALSE);
    SendDlgItemMessageA(dialog, kBlankCheckId, BM_SETCHECK, gBlank != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
    return TRUE;
}

void OnOk(HWND dialog) {
    // An empty field reads as 0, which is what gets written.
    gMinutes = static_cast<std::int32_t>(GetDlgItemInt(dialog, kMinutesEditId, nullptr, TRUE));
    gBlank = SendDlgItemMessageA(dialog, kBlankCheckId, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
    WriteIntSetting("Blank", gBlank);
    WriteIntSetting("Minutes", gMinutes);
    EndDialog(dialog, TRUE);
}

void OnCancel(HWND dialog) { EndDialog(dialog, FALSE); }

BOOL OnCommand(HWND dialog, WPARAM wParam) {
    switch (LOWORD(wParam)) {
    case IDOK:
        OnOk(dialog);
        return TRUE;
    case IDCANCEL:
        OnCancel(dialog);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

extern "C" BOOL WINAPI ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_COMMAND:
        return OnCommand(dialog, wParam);
    }
    return FALSE;
}

// The dialog uses only the system's own control classes.
BOOL RegisterConfigClasses(HINSTANCE) { return TRUE; }
