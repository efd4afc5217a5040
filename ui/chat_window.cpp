// The chat window: the chat lines, an addressee ("(Everyone)" or one party's
// identity) and the line being typed; and copying a line to the clipboard.
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "app/shell.h"
#include "engine/phone.h"
#include "resource.h"
#include "ui/dialogs.h"

namespace kv {

namespace {

constexpr char Everyone[] = "(Everyone)";
// Longest chat line sent, and longest addressee compared.
constexpr int LineCapacity = 100;
// The clipboard always gets a block of this size, whatever the text's length.
constexpr SIZE_T ClipboardBlockBytes = 1000000;

struct PartyEntry {
    std::string name;
    PeerAddress address;
};

// The party table as it is now; the lock is not held while windows are touched.
std::vector<PartyEntry> SnapshotParties(Phone& phone) {
    std::vector<PartyEntry> parties;
    std::lock_guard<std::recursive_mutex> guard(phone.PartyLock);
    const int count = phone.PartyCount;
    for (int i = 0; i < count && i < MaxParties; ++i) {
        char name[100];
        phone.ReadText(phone.PartyName[i], name, sizeof name);
        parties.push_back({name, phone.PartyAddress[i]});
    }
    return parties;
}

void RebuildAddressees(HWND dialog) {
    HWND to = GetDlgItem(dialog, IDC_CHAT_TO);
    SendMessageA(to, CB_RESETCONTENT, 0, 0);
    SendMessageA(to, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Everyone));
    if (TheShell.phone) {
        for (const PartyEntry& party : SnapshotParties(*TheShell.phone))
            SendMessageA(to, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(party.name.c_str()));
    }
    SendMessageA(to, CB_SETCURSEL, 0, 0);
}

// The text of the addressee list's selection, at most LineCapacity - 1 characters.
std::string SelectedAddressee(HWND dialog) {
    HWND to = GetDlgItem(dialog, IDC_CHAT_TO);
    const LRESULT selected = SendMessageA(to, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR) return std::string();
    const LRESULT length = SendMessageA(to, CB_GETLBTEXTLEN, selected, 0);
    if (length == CB_ERR || length < 0) return std::string();
    std::vector<char> text(static_cast<size_t>(length) + 1, 0);
    SendMessageA(to, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(text.data()));
    text.back() = 0;
    std::string addressee(text.data());
    if (addressee.size() > LineCapacity - 1) addressee.resize(LineCapacity - 1);
    return addressee;
}

void SendLine(HWND dialog) {
    char line[LineCapacity] = "";
    GetDlgItemTextA(dialog, IDC_CHAT_TEXT, line, sizeof line);
    const std::string addressee = SelectedAddressee(dialog);
    SetDlgItemTextA(dialog, IDC_CHAT_TEXT, "");
    Phone* phone = TheShell.phone;
    if (!phone) return;
    if (addressee == Everyone) {
        phone->QueueChatLine(nullptr, line);
        return;
    }
    // Every party of that identity gets the line; one that has left gets nothing.
    for (const PartyEntry& party : SnapshotParties(*phone))
        if (party.name == addressee) phone->QueueChatLine(&party.address, line);
}

// A double click copies the selected line; "name> text" loses its "name> ".
void CopySelectedLine(HWND list) {
    const LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR) return;
    const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, selected, 0);
    if (length == LB_ERR || length < 0) return;
    std::vector<char> line(static_cast<size_t>(length) + 1, 0);
    SendMessageA(list, LB_GETTEXT, selected, reinterpret_cast<LPARAM>(line.data()));
    line.back() = 0;
    const char* start = std::strstr(line.data(), "> ");
    CopyToClipboard(start ? start + 2 : line.data());
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

}  // namespace

INT_PTR CALLBACK ChatWindowProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            // Also posted again by the shell whenever the parties change.
            RebuildAddressees(dialog);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:  // Enter
                    SendLine(dialog);
                    return TRUE;
                case IDCANCEL:  // Escape or the close box
                    if (TheShell.chatWindow == dialog) TheShell.chatWindow = nullptr;
                    DestroyWindow(dialog);
                    return TRUE;
                case IDC_CHAT_LINES:
                    if (HIWORD(wParam) == LBN_DBLCLK) CopySelectedLine(GetDlgItem(dialog, IDC_CHAT_LINES));
                    return TRUE;
                default:
                    return TRUE;
            }
        default:
            return FALSE;
    }
}

void CopyToClipboard(const char* text) {
    if (!text) text = "";
    // Without a block there is nothing to hand over; the clipboard stays as it is.
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, ClipboardBlockBytes);
    if (!block) return;
    char* bytes = static_cast<char*>(GlobalLock(block));
    if (!bytes) {
        GlobalFree(block);
        return;
    }
    size_t length = std::strlen(text);
    if (length > ClipboardBlockBytes - 1) length = ClipboardBlockBytes - 1;
    std::memcpy(bytes, text, length);
    bytes[length] = 0;
    GlobalUnlock(block);

    if (!OpenClipboard(TheShell.mainWindow)) {
        GlobalFree(block);
        MessageBoxA(TheShell.mainWindow, "Cannot open clipboard", "Copy to clipboard", MB_OK | MB_ICONERROR);
        return;
    }
    EmptyClipboard();
    // From here on the clipboard owns the block, unless it refused it.
    if (!SetClipboardData(CF_TEXT, block)) GlobalFree(block);
    CloseClipboard();
}

}  // namespace kv
