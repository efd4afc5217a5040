#include <gtest/gtest.h>

#include "platform/udp_socket.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!kv::StartSocketLibrary()) return 3;
    int result = RUN_ALL_TESTS();
    kv::StopSocketLibrary();
    return result;
}
