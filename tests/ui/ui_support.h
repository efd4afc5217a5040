// Helpers for the user-interface tests: pumping messages, finding windows,
// and a clean settings key.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace kvui {

// Dispatches the thread's pending messages for up to ms milliseconds.
void Pump(int ms = 50);
// Pumps messages until cond holds or timeoutMs passed; returns cond().
bool PumpUntil(const std::function<bool()>& cond, int timeoutMs = 5000);
// Deletes HKCU\Software\Kestrovox and HKCU\Software\KestroVox (the same key to the registry).
void ClearSettings();
std::string WindowText(HWND window);
std::string ItemText(HWND dialog, int id);

}  // namespace kvui
