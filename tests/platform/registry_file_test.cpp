#ifndef _WIN32
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/registry.h"
#include "test_support.h"

using namespace kv;
using namespace kvtest;

namespace {

class RegistryFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir = MakeTempDir("reg");
        path = dir + "/sub/KestroVox.reg";
        UseRegistryFile(path);
        std::filesystem::create_directories(dir + "/sub");
    }
    void TearDown() override {
        UseRegistryFile("");
        RemoveTree(dir);
    }
    int writeText(const char* key, const char* name, const std::string& text) {
        return RegistryWrite(key, name, RegistryText, text.c_str(), uint32_t(text.size() + 1));
    }
    int writeNumber(const char* key, const char* name, uint32_t v) {
        uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        return RegistryWrite(key, name, RegistryNumber, b, 4);
    }
    std::string readText(const char* key, const char* name) {
        char buf[400];
        uint32_t type = 0, size = sizeof buf;
        if (RegistryRead(key, name, &type, buf, &size) != 0 || type != RegistryText) return "<missing>";
        return std::string(buf, size ? size - 1 : 0);
    }
    void writeFile(const std::string& content) {
        std::ofstream out(path, std::ios::binary);
        out << content;
        ASSERT_TRUE(out.good());
    }
    std::string dir, path;
};

}  // namespace

TEST_F(RegistryFile, WritesTheRegExportFormat) {
    ASSERT_EQ(writeText("Software\\Kestrovox", "Identity", "Ann"), 0);
    ASSERT_EQ(writeNumber("Software\\Kestrovox", "Codec", 1), 0);
    ASSERT_EQ(writeText("Software\\KestroVox", "WindowPos", "5,6"), 0);
    EXPECT_EQ(ReadWholeFile(path),
              "Windows Registry Editor Version 5.00\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Kestrovox]\n"
              "\"Identity\"=\"Ann\"\n"
              "\"Codec\"=dword:00000001\n"
              "\"WindowPos\"=\"5,6\"\n");
}

TEST_F(RegistryFile, TextsThatAQuotedStringCannotCarryGoAsHex) {
    std::string odd = "line one\nline \"two\"\\";
    ASSERT_EQ(writeText("Software\\Kestrovox", "Odd", odd), 0);
    EXPECT_EQ(readText("Software\\Kestrovox", "Odd"), odd);
    EXPECT_NE(ReadWholeFile(path).find("\"Odd\"=hex(1):6c,69"), std::string::npos);
    const uint8_t blob[3] = {0, 0xFF, 7};
    ASSERT_EQ(RegistryWrite("Software\\Kestrovox", "Blob", 3, blob, 3), 0);
    uint8_t back[8];
    uint32_t type, size = sizeof back;
    ASSERT_EQ(RegistryRead("Software\\Kestrovox", "blob", &type, back, &size), 0);
    EXPECT_EQ(type, 3u);
    ASSERT_EQ(size, 3u);
    EXPECT_EQ(std::memcmp(back, blob, 3), 0);
}

TEST_F(RegistryFile, AValueTooLargeReportsTheSizeNeeded) {
    writeText("Software\\Kestrovox", "Identity", std::string(50, 'a'));
    char small[10];
    uint32_t type, size = sizeof small;
    EXPECT_EQ(RegistryRead("Software\\Kestrovox", "Identity", &type, small, &size), -2);
    EXPECT_EQ(size, 51u);
    size = sizeof small;
    EXPECT_EQ(RegistryRead("Software\\Kestrovox", "Nothing", &type, small, &size), -1);
    EXPECT_EQ(RegistryRead("Software\\Other", "Identity", &type, small, &size), -1);
}

TEST_F(RegistryFile, AWriteKeepsWhatItDoesNotUnderstand) {
    writeFile(
        "Windows Registry Editor Version 5.00\n\n"
        "; a comment someone wrote\n"
        "[HKEY_CURRENT_USER\\Software\\Other]\n"
        "\"Keep\"=\"me\"\n"
        "garbage line without quotes\n"
        "\"Wrapped\"=hex(7):41,00,\\\n"
        "  42,00\n"
        "\n"
        "[HKEY_CURRENT_USER\\SOFTWARE\\KESTROVOX]\n"
        "\"Codec\"=dword:zzzz\n"
        "\"Volume\"=dword:000001f4\n");
    uint8_t b[8];
    uint32_t type, size = sizeof b;
    EXPECT_EQ(RegistryRead("Software\\Kestrovox", "Codec", &type, b, &size), -1);  // not understood: missing
    size = sizeof b;
    ASSERT_EQ(RegistryRead("Software\\Kestrovox", "Volume", &type, b, &size), 0);
    EXPECT_EQ(b[0] | b[1] << 8, 500);
    size = sizeof b;
    ASSERT_EQ(RegistryRead("Software\\Other", "Wrapped", &type, b, &size), 0);  // a value on two lines
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(type, 7u);

    ASSERT_EQ(writeNumber("Software\\Kestrovox", "Codec", 0), 0);
    ASSERT_EQ(writeText("Software\\Kestrovox", "Identity", "Ann"), 0);
    std::string all = ReadWholeFile(path);
    EXPECT_NE(all.find("; a comment someone wrote"), std::string::npos);
    EXPECT_NE(all.find("garbage line without quotes"), std::string::npos);
    EXPECT_NE(all.find("\"Keep\"=\"me\""), std::string::npos);
    EXPECT_NE(all.find("  42,00"), std::string::npos);
    EXPECT_EQ(all.find("dword:zzzz"), std::string::npos);  // the value written replaced it
    EXPECT_EQ(readText("Software\\Kestrovox", "Identity"), "Ann");
    EXPECT_EQ(readText("Software\\Other", "Keep"), "me");
}

TEST_F(RegistryFile, ARubbishFileIsReadWithoutHarm) {
    std::string rubbish;
    for (int i = 0; i < 4000; ++i) rubbish.push_back(char((i * 7919) % 256));
    writeFile(rubbish + "\n[HKEY_CURRENT_USER\\Software\\Kestrovox\n\"Identity\"=\"unterminated\n\"A\"=hex(zz):00\n\"B\"=hex(1):4");
    EXPECT_EQ(readText("Software\\Kestrovox", "Identity"), "<missing>");
    EXPECT_EQ(readText("Software\\Kestrovox", "B"), "<missing>");
    EXPECT_EQ(writeText("Software\\Kestrovox", "Identity", "Bob"), 0);
    EXPECT_EQ(readText("Software\\Kestrovox", "Identity"), "Bob");
    EXPECT_TRUE(ReadWholeFile(path).compare(0, rubbish.size(), rubbish) == 0) << "the rubbish was not kept as it was";
}

TEST_F(RegistryFile, TheFileIsReplacedWholeAndNoTemporaryStays) {
    for (int i = 0; i < 20; ++i) writeNumber("Software\\Kestrovox", "Volume", uint32_t(i));
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir + "/sub")) {
        const std::string name = entry.path().filename().string();
        if (name != "KestroVox.reg" && name != "KestroVox.reg.lock") ADD_FAILURE() << "left behind: " << name;
        ++files;
    }
    EXPECT_EQ(files, 2);
}

namespace {

// Takes from the calling thread alone the power to read and write files
// whatever their permissions (root has it), so that a file of mode 000 is
// unreadable to it as to any other user. False when the system refuses.
bool DropPermissionOverrideOfThisThread() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (syscall(SYS_capget, &header, data) != 0) return false;
    data[0].effective &= ~(CAP_TO_MASK(CAP_DAC_OVERRIDE) | CAP_TO_MASK(CAP_DAC_READ_SEARCH));
    return syscall(SYS_capset, &header, data) == 0;
}

}  // namespace

TEST_F(RegistryFile, AStoreThatCannotBeReadIsNeverReplaced) {
    ASSERT_EQ(writeText("Software\\Kestrovox", "Identity", "Ann"), 0);
    ASSERT_EQ(writeText("Software\\Kestrovox", "Address1", "10.0.0.1"), 0);
    const std::string before = ReadWholeFile(path);
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    bool dropped = false, readable = true;
    int written = 0;
    std::thread writer([&] {
        dropped = DropPermissionOverrideOfThisThread();
        const int fd = open(path.c_str(), O_RDONLY);
        readable = fd >= 0;
        if (fd >= 0) close(fd);
        written = writeNumber("Software\\Kestrovox", "Codec", 1);
    });
    writer.join();
    ASSERT_TRUE(dropped);
    ASSERT_FALSE(readable) << "the store stayed readable";
    EXPECT_EQ(written, -1);
    ASSERT_EQ(chmod(path.c_str(), 0600), 0);
    EXPECT_EQ(ReadWholeFile(path), before);
    // A store that is missing is an empty one.
    std::filesystem::remove(path);
    EXPECT_EQ(writeNumber("Software\\Kestrovox", "Codec", 1), 0);
    EXPECT_EQ(readText("Software\\Kestrovox", "Identity"), "<missing>");
}

TEST_F(RegistryFile, TheDefaultPlaceFollowsXdgConfigHome) {
    UseRegistryFile("");
    const char* old = std::getenv("XDG_CONFIG_HOME");
    std::string saved = old ? old : "";
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    EXPECT_EQ(RegistryFilePath(), dir + "/kestrovox/KestroVox.reg");
    if (old) setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else unsetenv("XDG_CONFIG_HOME");
}
#endif
