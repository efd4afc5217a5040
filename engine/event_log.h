// The event log: "KestroVox.log" beside the executable, one time-stamped
// line per incoming call request or short message, appended and closed again
// for every line so that other programs may read it at any time. A line that
// would take the file over LogFileLimit first moves it to "KestroVox.old.log"
// (replacing the one before), so the disk cannot fill and the lines the user
// saw last are still there. How many lines strangers may add is the engine's
// business (strangers.h).
#pragma once

#include <string>

#include "platform/os.h"

namespace kv {

constexpr int LogLineCapacity = 1000;  // with time stamp, line end and the terminating zero
constexpr long long LogFileLimit = 1 << 20;
extern const char LogFileName[];     // "KestroVox.log"
extern const char OldLogFileName[];  // "KestroVox.old.log"

// Formats the event text and appends one line. Texts that came from the
// network cannot forge lines: control characters become '?', and a text too
// long for the line is cut. False when the line could not be written (no
// place for the file, a file that cannot be opened or moved aside).
bool AppendLogLine(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Composes a whole line, "d/m/yyyy h:mm:ss   text\r\n", into out (LogLineCapacity bytes).
void ComposeLogLine(const LocalTime& time, const char* text, char* out);

// Where the log file lives: beside the executable unless a directory is set
// here (tests, and the console peer on request). Empty: beside the executable.
void SetEventLogDirectory(const std::string& directory);
// The log file's full path, or "" when it has no place; the older file's beside it.
std::string EventLogPath();
std::string OldEventLogPath();

}  // namespace kv
