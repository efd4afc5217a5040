#include "app/shell.h"

#include <cstdio>

#include "engine/phone.h"

namespace kv {

Shell TheShell;

void FillPartyList(HWND listBox) {
    SendMessageA(listBox, LB_RESETCONTENT, 0, 0);
    Phone* phone = TheShell.phone;
    if (!phone) return;
    std::lock_guard<std::recursive_mutex> parties(phone->PartyLock);
    for (int i = 0; i < phone->PartyCount; ++i) {
        char name[100], dotted[16], line[160];
        phone->ReadText(phone->PartyName[i], name, sizeof name);
        const PeerAddress address = phone->PartyAddress[i];
        FormatDotted(address, dotted);
        if (address.port() == DefaultPort)
            std::snprintf(line, sizeof line, "%s (%s)", name, dotted);
        else
            std::snprintf(line, sizeof line, "%s (%s:%d)", name, dotted, address.port());
        SendMessageA(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
    }
}

}  // namespace kv
