#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include "platform/udp_socket.h"
#include "watchdog.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    if (!kv::StartSocketLibrary()) return 3;
    kvtest::InstallWatchdog();
    int result = RUN_ALL_TESTS();
    kv::StopSocketLibrary();
    return result;
}
