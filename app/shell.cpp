#include "app/shell.h"

#include <mutex>

namespace kv {

Shell TheShell;

std::vector<PartyView> PartyViews(Phone& phone) {
    std::vector<PartyView> parties;
    {
        std::lock_guard<std::recursive_mutex> guard(phone.PartyLock);
        for (int i = 0; i < phone.PartyCount && i < MaxParties; ++i) {
            PartyView party;
            char name[100];
            phone.ReadText(phone.PartyName[i], name, sizeof name);
            party.name = name;
            party.address = phone.PartyAddress[i];
            parties.push_back(party);
        }
    }
    // Outside the party table's lock: the sessions have locks of their own.
    for (PartyView& party : parties) {
        phone.PrivacyOf(party.address, &party.privacy);
        party.hd = phone.SendCodecFor(party.address, phone.Codec) == CodecOpus;
    }
    return parties;
}

std::string AddressText(const PeerAddress& address) { return HostPortText(address, DefaultPort); }

std::string Who(const PartyView& party) { return party.name.empty() ? AddressText(party.address) : party.name; }

std::string PartyLine(const PartyView& party) {
    const char* kind = party.privacy.privateLink ? (party.hd ? "[private, HD] " : "[private] ") : "[plain] ";
    return std::string(kind) + party.name + " (" + AddressText(party.address) + ")";
}

namespace {

std::vector<std::string> PartyLines() {
    std::vector<std::string> lines;
    if (Phone* phone = TheShell.phone)
        for (const PartyView& party : PartyViews(*phone)) lines.push_back(PartyLine(party));
    return lines;
}

std::string ListLine(HWND listBox, int index) {
    const LRESULT length = SendMessageA(listBox, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR || length < 0) return std::string();
    std::vector<char> text(static_cast<size_t>(length) + 1, 0);
    SendMessageA(listBox, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.back() = 0;
    return text.data();
}

void Fill(HWND listBox, const std::vector<std::string>& lines) {
    SendMessageA(listBox, LB_RESETCONTENT, 0, 0);
    for (const std::string& line : lines) SendMessageA(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
}

// A call that sealed datagrams may carry: a private party, or a setup under way.
bool InPrivateCall(Phone& phone) {
    if (phone.CallState != StateIdle) return true;
    for (const PartyView& party : PartyViews(phone))
        if (party.privacy.privateLink) return true;
    return false;
}

}  // namespace

void FillPartyList(HWND listBox) { Fill(listBox, PartyLines()); }

void UpdatePartyList(HWND listBox) {
    const std::vector<std::string> lines = PartyLines();
    const int count = static_cast<int>(SendMessageA(listBox, LB_GETCOUNT, 0, 0));
    bool same = count == static_cast<int>(lines.size());
    for (int i = 0; same && i < count; ++i) same = ListLine(listBox, i) == lines[static_cast<size_t>(i)];
    if (same) return;
    const LRESULT selected = SendMessageA(listBox, LB_GETCURSEL, 0, 0);
    const std::string kept = selected != LB_ERR ? ListLine(listBox, static_cast<int>(selected)) : std::string();
    Fill(listBox, lines);
    if (kept.empty()) return;
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i] == kept) {
            SendMessageA(listBox, LB_SETCURSEL, i, 0);
            break;
        }
}

void ApplyPrivacy(Phone& phone, int privacy) {
    if (privacy == PrivacyPlain && phone.Privacy != PrivacyPlain && InPrivateCall(phone)) {
        TheShell.pendingPrivacy = privacy;
        return;
    }
    TheShell.pendingPrivacy = -1;
    phone.Privacy = privacy;
}

void ApplyPendingPrivacy(Phone& phone) {
    if (TheShell.pendingPrivacy >= 0 && !InPrivateCall(phone)) ApplyPrivacy(phone, TheShell.pendingPrivacy);
}

}  // namespace kv
