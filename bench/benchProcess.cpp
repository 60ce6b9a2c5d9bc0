#include "benchProcess.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace
{

constexpr std::chrono::milliseconds exitPollInterval{5};
constexpr std::size_t readChunk = 1 << 20;

using Clock = std::chrono::steady_clock;

} // namespace

std::optional<Child> startChild(const std::string& path, const std::vector<std::string>& arguments,
                                const std::vector<std::string>& extraEnvironment)
{
    int toChild[2];
    int fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0)
        return std::nullopt;
    if (pipe2(fromChild, O_CLOEXEC) != 0) {
        close(toChild[0]);
        close(toChild[1]);
        return std::nullopt;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (char** variable = environ; *variable; ++variable)
        envp.push_back(*variable);
    for (const std::string& variable : extraEnvironment)
        envp.push_back(const_cast<char*>(variable.c_str()));
    envp.push_back(nullptr);

    Child child;
    const int failed =
        posix_spawn(&child.pid, path.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(toChild[0]);
    close(fromChild[1]);
    if (failed != 0) {
        close(toChild[1]);
        close(fromChild[0]);
        return std::nullopt;
    }
    child.input = toChild[1];
    child.output.fd = fromChild[0];
    return child;
}

void endChild(Child& child)
{
    if (child.input >= 0)
        close(child.input);
    child.input = -1;
    if (child.pid > 0) {
        const Clock::time_point deadline = Clock::now() + exitTimeout;
        int status = 0;
        while (waitpid(child.pid, &status, WNOHANG) == 0) {
            if (Clock::now() > deadline) {
                kill(child.pid, SIGKILL);
                waitpid(child.pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(exitPollInterval);
        }
    }
    child.pid = -1;
    if (child.output.fd >= 0)
        close(child.output.fd);
    child.output = LineReader{};
}

bool writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

std::optional<std::string> readLine(LineReader& reader, std::chrono::milliseconds timeout)
{
    const Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        const std::size_t feed = reader.pending.find('\n', reader.searched);
        if (feed != std::string::npos) {
            std::string line = reader.pending.substr(0, feed);
            reader.pending.erase(0, feed + 1);
            reader.searched = 0;
            return line;
        }
        reader.searched = reader.pending.size();
        // Waiting for more bytes of the line, until the deadline.
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return std::nullopt;
        pollfd waitFor{reader.fd, POLLIN, 0};
        const int ready = poll(&waitFor, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return std::nullopt;
        static thread_local std::vector<char> chunk(readChunk);
        const ssize_t got = read(reader.fd, chunk.data(), chunk.size());
        if (got > 0)
            reader.pending.append(chunk.data(), static_cast<std::size_t>(got));
        if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN))
            return std::nullopt;
    }
}

int connectLocalSocket(const std::string& name)
{
    const char* folder = std::getenv("TMPDIR");
    const std::string path =
        name.front() == '/' ? name : std::string(folder && *folder ? folder : "/tmp") + "/" + name;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return -1;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

long statusKiB(pid_t pid, const char* field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    const std::string key = std::string(field) + ":";
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, key.size(), key) == 0)
            return std::strtol(line.c_str() + key.size(), nullptr, 10);
    }
    return -1;
}
