// --list-devices: the option, the text it prints, and the system's listing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/options.h"
#include "platform/wave_devices.h"

using namespace kv;
using namespace kv::console;

namespace {

ParseStatus Parse(std::vector<const char*> args, std::string* error = nullptr) {
    args.insert(args.begin(), "kestrovox");
    Options o;
    return ParseOptions(static_cast<int>(args.size()), args.data(), &o, error);
}

}  // namespace

TEST(ListDevices, TheFlagListsInsteadOfRunning) {
    EXPECT_EQ(Parse({"--list-devices"}), ParseStatus::ListDevices);
    EXPECT_EQ(Parse({"--identity", "Ann", "--list-devices", "--port", "5000"}), ParseStatus::ListDevices);
    EXPECT_EQ(Parse({"--list-devices", "--help"}), ParseStatus::Help);
    std::string error;
    EXPECT_EQ(Parse({"--list-devices=yes"}, &error), ParseStatus::Error);
    EXPECT_EQ(error, "--list-devices takes no value");
    EXPECT_NE(UsageText().find("--list-devices"), std::string::npos);
}

TEST(ListDevices, EachDirectionHasItsSectionWithDescriptionsIndented) {
    WaveDeviceList list;
    list.outputs = {{"default", "Default device"}, {"hw:CARD=PCH,DEV=0", "HDA Intel PCH\nFront speakers"}};
    list.inputs = {};
    const std::string text = DeviceListText(list);
    EXPECT_EQ(text.find("Output devices (--speaker):\n"
                        "  default\n"
                        "      Default device\n"
                        "  hw:CARD=PCH,DEV=0\n"
                        "      HDA Intel PCH\n"
                        "      Front speakers\n"
                        "\n"
                        "Input devices (--mic):\n"
                        "  (none found)\n"),
              0u)
        << text;
    EXPECT_NE(text.find(".wav"), std::string::npos);
    EXPECT_EQ(text.find("for reference"), std::string::npos);
    list.namesSelect = false;
    EXPECT_NE(DeviceListText(list).find("for reference"), std::string::npos);
}

TEST(ListDevices, TheSystemListingReturnsNamedDevices) {
    WaveDeviceList list;
    ListWaveDevices(&list);  // no sound system at all is fine: it must just return
    for (const auto* devices : {&list.outputs, &list.inputs})
        for (const WaveDeviceInfo& d : *devices) EXPECT_FALSE(d.name.empty());
#ifndef _WIN32
    // The PCM the wave devices open unless told otherwise is always offered, first.
    ASSERT_FALSE(list.outputs.empty());
    ASSERT_FALSE(list.inputs.empty());
    EXPECT_EQ(list.outputs[0].name, "default");
    EXPECT_EQ(list.inputs[0].name, "default");
#endif
}
