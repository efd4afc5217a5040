// Helpers for the user-interface tests: pumping messages, finding windows,
// and a clean settings key.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "engine/phone.h"
#include "platform/manual_wave.h"

namespace kvui {

// Dispatches the thread's pending messages for up to ms milliseconds.
void Pump(int ms = 50);
// Pumps messages until cond holds or timeoutMs passed; returns cond().
bool PumpUntil(const std::function<bool()>& cond, int timeoutMs = 5000);
// Deletes HKCU\Software\Kestrovox and HKCU\Software\KestroVox (the same key to the registry).
void ClearSettings();
std::string WindowText(HWND window);
std::string ItemText(HWND dialog, int id);

// A fresh shell around a started Phone on a free port, with the manual sound
// devices and the identity "Me": clears the settings, resets the shell state,
// and sets TheShell.phone and TheShell.instance.
std::unique_ptr<kv::Phone> StartShellPhone(kv::ManualWaveDevices& devices);

// Clicks a button (or sends a control's notification code) as the user would.
void Command(HWND dialog, int id, int code = BN_CLICKED);

// Runs a modal dialog with open(). Once a dialog with the caption shows up,
// drive() is called from inside its modal loop (on a thread timer) and must end
// it; a dialog left open for ten seconds is ended and the test fails. Returns
// what open() returned.
INT_PTR RunModal(const char* caption, const std::function<INT_PTR()>& open, std::function<void(HWND)> drive);

}  // namespace kvui
