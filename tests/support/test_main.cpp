#include <gtest/gtest.h>

#include "platform/udp_socket.h"
#include "watchdog.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!kv::StartSocketLibrary()) return 3;
    kvtest::InstallWatchdog();
    int result = RUN_ALL_TESTS();
    kv::StopSocketLibrary();
    return result;
}
