#pragma once

// Programs under measurement, started with pipes on their standard streams, and line I/O with
// them and with the editor socket.

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

constexpr std::chrono::seconds answerTimeout{30};
constexpr std::chrono::seconds exitTimeout{5};

// Bytes read from a descriptor and not yet handed out as lines.
struct LineReader {
    int fd = -1;
    std::string pending;
    std::size_t searched = 0;
};

struct Child {
    pid_t pid = -1;
    int input = -1; // the child's standard input, written by us
    LineReader output;
};

// Starts `path` with `arguments`, the environment plus `extraEnvironment` ("NAME=value"), and
// its standard input and output on pipes; standard error goes to /dev/null.
std::optional<Child> startChild(const std::string& path, const std::vector<std::string>& arguments,
                                const std::vector<std::string>& extraEnvironment = {});

// Closes the child's input and waits for it to end, killing it when it does not in time.
void endChild(Child& child);

bool writeAll(int fd, const char* data, std::size_t size);
inline bool writeAll(int fd, const std::string& text)
{
    return writeAll(fd, text.data(), text.size());
}

// The next line from the reader, without its line feed; nothing at end of data or when none
// came within `timeout`.
std::optional<std::string> readLine(LineReader& reader,
                                    std::chrono::milliseconds timeout = answerTimeout);

// A connection to the socket Qt's local server makes for `name`; -1 on failure.
int connectLocalSocket(const std::string& name);

// A field of /proc/<pid>/status in KiB (e.g. "VmHWM", "VmRSS"); -1 when not found.
long statusKiB(pid_t pid, const char* field);
