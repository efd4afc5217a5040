#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "platform/os.h"
#include "test_support.h"
#include "engine/event_log.h"

using namespace kv;
using namespace kvtest;

TEST(EventLog, LineFormat) {
    char line[LogLineCapacity];
    ComposeLogLine({2026, 12, 7, 8, 5, 9}, "Incoming call from Ann (10.0.0.2)", line);
    EXPECT_STREQ(line, "7/12/2026 8:05:09   Incoming call from Ann (10.0.0.2)\r\n");
    ComposeLogLine({2026, 1, 31, 23, 59, 0}, "x", line);
    EXPECT_STREQ(line, "31/1/2026 23:59:00   x\r\n");
}

TEST(EventLog, LongTextsAreCutAndControlCharactersReplaced) {
    char line[LogLineCapacity];
    std::string longText(5000, 'a');
    ComposeLogLine({2026, 12, 7, 8, 5, 9}, longText.c_str(), line);
    EXPECT_EQ(std::strlen(line), size_t(LogLineCapacity - 1));
    EXPECT_EQ(std::string(line).substr(LogLineCapacity - 3), "\r\n");
    ComposeLogLine({2026, 12, 7, 8, 5, 9}, "a\rb\nc\td\x7f" "e\xe9", line);
    EXPECT_STREQ(line, "7/12/2026 8:05:09   a?b?c?d?e\xe9\r\n");
}

TEST(EventLog, LivesBesideTheExecutable) {
    SetEventLogDirectory("");
    char exe[260];
    ASSERT_TRUE(ExecutablePath(exe, sizeof exe));
    std::string path = EventLogPath();
    std::string dir(exe, std::strrchr(exe, PathSeparator()) + 1);
    EXPECT_EQ(path, dir + "KestroVox.log");
}

TEST(EventLog, AppendsLinesWhileAnotherProgramReadsTheFile) {
    std::string dir = MakeTempDir("evlog");
    SetEventLogDirectory(dir);
    const std::string path = dir + "/KestroVox.log";
    EXPECT_FALSE(FileExists(path));
    AppendLogLine("Message from %s (%s): %s", "Ann", "10.0.0.2", "first");
    std::ifstream reader(path);  // held open for reading
    ASSERT_TRUE(reader.good());
    AppendLogLine("Incoming call from %s (%s:%d)", "Bob", "10.0.0.3", 5000);
    std::string all = ReadWholeFile(path);
    EXPECT_NE(all.find("   Message from Ann (10.0.0.2): first\r\n"), std::string::npos);
    EXPECT_NE(all.find("   Incoming call from Bob (10.0.0.3:5000)\r\n"), std::string::npos);
    EXPECT_LT(all.find("first"), all.find("Bob"));
    reader.close();
    // A folder that cannot take the file loses the line silently.
    SetEventLogDirectory(dir + "/missing/folder");
    AppendLogLine("lost %d", 1);
    SetEventLogDirectory("");
    RemoveTree(dir);
}
