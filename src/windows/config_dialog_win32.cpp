#include "windows/config_dialog.h"

#include <algorithm>
#include <cstdio>

#include "windows/settings.h"

namespace {

// In the order of MonitorChoice and of the scale factors, so that an item's index is its value.
constexpr const char* kMonitorItems[] = {"The primary only", "Each monitor"};
constexpr const char* kAutomaticScaleItem = "Automatic (display scaling)";
// In the order of ClientsMode.
constexpr const char* kClientsItems[] = {"One client (orvane_share)", "Each client in turn", "All clients as cards"};

constexpr const char kNotSavedCaption[] = "Orvane";
constexpr const char kNotSavedText[] =
    "Your settings could not be saved: neither your own settings (HKEY_CURRENT_USER\\Software\\Orvane) "
    "nor orvane.ini in the Windows folder could be written.\n\n"
    "The dialog stays open with your choices. Press OK there to try again, or Cancel to keep the "
    "settings as they were.";

void FillList(HWND dialog, int id, const char* const* items, int count, int selected) {
    for (int i = 0; i < count; ++i) SendDlgItemMessageA(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items[i]));
    SendDlgItemMessageA(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

bool Checked(HWND dialog, int id) { return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }
void SetChecked(HWND dialog, int id, bool on) {
    SendDlgItemMessageA(dialog, id, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}
int Selection(HWND dialog, int id) { return static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0)); }

BOOL OnInitDialog(HWND dialog) {
    ReadSettings();
    // Unsigned on purpose: the field accepts digits only, so a negative value shows as its
    // 32-bit pattern rather than as text the field could not have taken.
    SetDlgItemInt(dialog, kMinutesEditId, static_cast<UINT>(gMinutes), FALSE);
    SetChecked(dialog, kBlankCheckId, gBlank != 0);

    FillList(dialog, kMonitorsListId, kMonitorItems, 2, gPlacementOptions.monitors == MonitorChoice::All ? 1 : 0);
    char factors[kMaxScale][4] = {};
    const char* scaleItems[kMaxScale + 1] = {kAutomaticScaleItem};
    for (int i = 1; i <= kMaxScale; ++i) {
        std::snprintf(factors[i - 1], sizeof factors[i - 1], "%d", i);
        scaleItems[i] = factors[i - 1];
    }
    FillList(dialog, kScaleListId, scaleItems, kMaxScale + 1, NormalizeScale(gPlacementOptions.scale));
    SetChecked(dialog, kShiftCheckId, gPlacementOptions.shift);
    FillList(dialog, kClientsListId, kClientsItems, 3, static_cast<int>(gClientsSettings.mode));
    SetDlgItemInt(dialog, kRotateEditId, static_cast<UINT>(gClientsSettings.rotateSeconds), FALSE);
    SetDlgItemInt(dialog, kStaleEditId, static_cast<UINT>(gClientsSettings.staleMinutes), FALSE);
    return TRUE;
}

// The field's number, or `kept` when it holds none (empty) or the dialog has no such field.
std::int32_t FieldNumber(HWND dialog, int id, std::int32_t kept) {
    if (GetDlgItem(dialog, id) == nullptr) return kept;
    BOOL read = FALSE;
    const UINT value = GetDlgItemInt(dialog, id, &read, FALSE);
    // Digits past the 32-bit range do not translate either; the longest period is far below.
    return read ? static_cast<std::int32_t>(value > 0x7FFFFFFFu ? 0x7FFFFFFFu : value) : kept;
}

ClientsSettings ChosenClients(HWND dialog) {
    ClientsSettings chosen = gClientsSettings;
    const int mode = GetDlgItem(dialog, kClientsListId) != nullptr ? Selection(dialog, kClientsListId) : -1;
    if (mode >= 0 && mode <= static_cast<int>(ClientsMode::Overview)) chosen.mode = static_cast<ClientsMode>(mode);
    // Out of range is brought into it, as the settings read it: what is kept is what shows next.
    chosen.rotateSeconds =
        std::clamp(FieldNumber(dialog, kRotateEditId, chosen.rotateSeconds), kMinRotateSeconds, kMaxRotateSeconds);
    chosen.staleMinutes =
        std::clamp(FieldNumber(dialog, kStaleEditId, chosen.staleMinutes), kMinStaleMinutes, kMaxStaleMinutes);
    return chosen;
}

void OnOk(HWND dialog) {
    UserSettings chosen;
    // An empty field reads as 0, which is what gets written.
    chosen.minutes = static_cast<std::int32_t>(GetDlgItemInt(dialog, kMinutesEditId, nullptr, TRUE));
    chosen.blank = Checked(dialog, kBlankCheckId) ? 1 : 0;
    chosen.placement.monitors = Selection(dialog, kMonitorsListId) == 1 ? MonitorChoice::All : MonitorChoice::Primary;
    // No selection (CB_ERR) falls back to following the display, as a bad value in the file does.
    chosen.placement.scale = NormalizeScale(Selection(dialog, kScaleListId));
    chosen.placement.shift = Checked(dialog, kShiftCheckId);
    chosen.clients = ChosenClients(dialog);
    gMinutes = chosen.minutes;
    gBlank = chosen.blank;
    gPlacementOptions = chosen.placement;
    gClientsSettings = chosen.clients;
    if (!SaveUserSettings(chosen)) {
        // Closing as if saved would lose the choices without a word; they stay in the dialog.
        MessageBoxA(dialog, kNotSavedText, kNotSavedCaption, MB_OK | MB_ICONERROR);
        return;
    }
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
