#include "benchCases.h"

#include "benchProcess.h"
#include "benchStats.h"

#include <chrono>
#include <cstdio>
#include <signal.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

constexpr std::chrono::seconds standinStartTimeout{10};
constexpr std::chrono::seconds pictureAnswerTimeout{120};
constexpr int warmUpCalls = 20;

const std::string initializeLine =
    R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"protocolVersion":"2025-06-18",)"
    R"("capabilities":{},"clientInfo":{"name":"kestrova-bench","version":"1"}}})"
    "\n";
const std::string initializedLine = R"({"jsonrpc":"2.0","method":"notifications/initialized"})"
                                    "\n";

std::string toolCallLine(int id, const char* tool, const char* arguments)
{
    return R"({"jsonrpc":"2.0","id":)" + std::to_string(id) +
           R"(,"method":"tools/call","params":{"name":")" + tool + R"(","arguments":)" + arguments +
           "}}\n";
}

// What the server sends the editor for a tool call: what the relay and the direct client send.
std::string editorRequestLine(int id, const char* tool, const char* arguments)
{
    return R"({"id":)" + std::to_string(id) + R"(,"tool":")" + tool + R"(","arguments":)" +
           arguments + "}\n";
}

double microsecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

bool failed(const char* what)
{
    std::printf("  ! %s\n", what);
    return false;
}

std::string uniqueName(const char* purpose)
{
    static int counter = 0;
    return "kestrova-bench-" + std::string(purpose) + "-" + std::to_string(getpid()) + "-" +
           std::to_string(++counter);
}

// A stand-in editor owned by the case; stopped with SIGTERM so that it removes its socket.
struct Standin {
    Child process;
    std::string name;
    ~Standin()
    {
        if (process.pid > 0)
            kill(process.pid, SIGTERM);
        endChild(process);
    }
};

bool startStandin(const Programs& programs, Standin& standin, const std::vector<std::string>& more)
{
    standin.name = uniqueName("editor");
    std::vector<std::string> arguments{"--name", standin.name, "--announce"};
    arguments.insert(arguments.end(), more.begin(), more.end());
    std::optional<Child> child = startChild(programs.standin, arguments);
    if (!child)
        return failed("the stand-in editor did not start");
    standin.process = *child;
    const std::optional<std::string> line = readLine(standin.process.output, standinStartTimeout);
    if (!line || line->rfind("listening ", 0) != 0)
        return failed("the stand-in editor did not say it was listening");
    return true;
}

// A bridge (server or relay) that has answered initialize.
struct Bridge {
    Child process;
    ~Bridge() { endChild(process); }
};

bool startBridge(const std::string& path, const std::string& editorName, Bridge& bridge)
{
    std::optional<Child> child = startChild(path, {}, {"KESTROVA_AI_PIPE=" + editorName});
    if (!child)
        return failed("a bridge did not start");
    bridge.process = *child;
    if (!writeAll(bridge.process.input, initializeLine + initializedLine) ||
        !readLine(bridge.process.output))
        return failed("a bridge did not answer initialize");
    return true;
}

// The three ways to the one stand-in editor that a tool call is measured on: through the
// server, through the relay, and straight to its socket; and through the baseline server when
// there is one.
struct ThreeWays {
    Standin standin;
    Bridge server;
    Bridge relay;
    LineReader direct;
    Bridge baseline;
    ~ThreeWays()
    {
        if (direct.fd >= 0)
            close(direct.fd);
    }
};

bool startThreeWays(const Programs& programs, const std::vector<std::string>& standinOptions,
                    ThreeWays& ways)
{
    if (!startStandin(programs, ways.standin, standinOptions) ||
        !startBridge(programs.server, ways.standin.name, ways.server) ||
        !startBridge(programs.relay, ways.standin.name, ways.relay) ||
        (!programs.baseline.empty() &&
         !startBridge(programs.baseline, ways.standin.name, ways.baseline)))
        return false;
    ways.direct.fd = connectLocalSocket(ways.standin.name);
    return ways.direct.fd >= 0 || failed("could not connect to the stand-in editor");
}

// One request line written, one answer line read; nothing when none came.
std::optional<std::string> exchange(int writeFd, LineReader& reader, const std::string& request,
                                    std::chrono::milliseconds timeout = answerTimeout)
{
    if (!writeAll(writeFd, request))
        return std::nullopt;
    return readLine(reader, timeout);
}

// A whole answer that is no failure: a tool result without the error flag, or an editor reply
// without it, at least `size` bytes long.
bool answered(const std::optional<std::string>& answer, std::size_t size = 0)
{
    return answer && answer->size() >= size && answer->find(R"("isError":true)") == answer->npos &&
           answer->find(R"("error":true)") == answer->npos;
}

} // namespace

bool measureColdStart(const Programs& programs, int repetitions, ColdStart& result)
{
    const std::string* paths[] = {&programs.server, &programs.relay, &programs.qtfloor};
    std::vector<double> times[3];
    std::vector<double> resident[3];
    for (int repetition = 0; repetition < repetitions; ++repetition) {
        for (int subject = 0; subject < 3; ++subject) {
            const Clock::time_point start = Clock::now();
            std::optional<Child> child = startChild(*paths[subject], {});
            if (!child)
                return failed("a program did not start");
            const bool answered =
                writeAll(child->input, initializeLine) && readLine(child->output).has_value();
            const double elapsed = microsecondsSince(start);
            const long kiB = statusKiB(child->pid, "VmRSS");
            endChild(*child);
            if (!answered)
                return failed("a program did not answer initialize");
            times[subject].push_back(elapsed / 1000);
            resident[subject].push_back(static_cast<double>(kiB));
        }
    }
    result.serverMs = median(times[0]);
    result.relayMs = median(times[1]);
    result.qtfloorMs = median(times[2]);
    result.serverKiB = median(resident[0]);
    result.relayKiB = median(resident[1]);
    result.qtfloorKiB = median(resident[2]);
    return true;
}

bool measureToolsList(const Programs& programs, int repetitions, double& medianUs)
{
    Bridge server;
    if (!startBridge(programs.server, uniqueName("unused"), server))
        return false;
    std::vector<double> times;
    for (int id = 2; id < repetitions + 2; ++id) {
        const std::string request = R"({"jsonrpc":"2.0","id":)" + std::to_string(id) +
                                    R"(,"method":"tools/list"})"
                                    "\n";
        const Clock::time_point start = Clock::now();
        if (!exchange(server.process.input, server.process.output, request))
            return failed("the server did not answer tools/list");
        times.push_back(microsecondsSince(start));
    }
    medianUs = median(times);
    return true;
}

bool measureRoundTrip(const Programs& programs, int repetitions, RoundTrip& result)
{
    ThreeWays ways;
    if (!startThreeWays(programs, {}, ways))
        return false;
    Bridge& server = ways.server;
    Bridge& relay = ways.relay;

    const bool withBaseline = !programs.baseline.empty();
    std::vector<double> times[4];
    for (int n = 1; n <= repetitions + warmUpCalls; ++n) {
        const std::string toolCall = toolCallLine(n + 1, "get_project", "{}");
        const Clock::time_point serverStart = Clock::now();
        const std::optional<std::string> serverAnswer =
            exchange(server.process.input, server.process.output, toolCall);
        const double serverUs = microsecondsSince(serverStart);

        double baselineUs = 0;
        if (withBaseline) {
            const Clock::time_point baselineStart = Clock::now();
            const std::optional<std::string> baselineAnswer =
                exchange(ways.baseline.process.input, ways.baseline.process.output, toolCall);
            baselineUs = microsecondsSince(baselineStart);
            if (!answered(baselineAnswer))
                return failed("a tool call through the baseline got no answer, or a failure");
        }

        const std::string editorRequest = editorRequestLine(n, "get_project", "{}");
        const Clock::time_point relayStart = Clock::now();
        const std::optional<std::string> relayAnswer =
            exchange(relay.process.input, relay.process.output, editorRequest);
        const double relayUs = microsecondsSince(relayStart);

        const Clock::time_point directStart = Clock::now();
        const std::optional<std::string> directAnswer =
            exchange(ways.direct.fd, ways.direct, editorRequest);
        const double directUs = microsecondsSince(directStart);

        if (!answered(serverAnswer) || !answered(relayAnswer) || !answered(directAnswer)) {
            return failed("a tool call got no answer, or a failure");
        }
        if (n <= warmUpCalls)
            continue;
        times[0].push_back(serverUs);
        times[1].push_back(relayUs);
        times[2].push_back(directUs);
        times[3].push_back(baselineUs);
    }
    result = {median(times[0]), p99(times[0]), median(times[1]), p99(times[1]),
              median(times[2]), p99(times[2]), median(times[3]), p99(times[3])};
    return true;
}

bool measurePings(const Programs& programs, int count, int rounds, Pings& result)
{
    std::string batch;
    for (int id = 2; id < count + 2; ++id)
        batch += R"({"jsonrpc":"2.0","id":)" + std::to_string(id) +
                 R"(,"method":"ping"})"
                 "\n";

    // Writes the whole batch from a second thread while this one reads the replies, so that
    // neither side's pipe fills up and stalls the other.
    auto timeBatch = [&](Child& child, double& seconds) {
        const Clock::time_point start = Clock::now();
        std::thread writer([&] { writeAll(child.input, batch); });
        int replies = 0;
        while (replies < count && readLine(child.output))
            ++replies;
        seconds = microsecondsSince(start) / 1e6;
        writer.join();
        return replies == count;
    };

    const bool withBaseline = !programs.baseline.empty();
    std::vector<double> times[4];
    for (int round = 0; round < rounds; ++round) {
        Bridge server;
        Bridge baseline;
        if (!startBridge(programs.server, uniqueName("unused"), server) ||
            (withBaseline && !startBridge(programs.baseline, uniqueName("unused"), baseline)))
            return false;
        std::optional<Child> echo = startChild(programs.echo, {});
        std::optional<Child> lineEcho = startChild(programs.echo, {"--line-by-line"});
        if (!echo || !lineEcho)
            return failed("the echo did not start");
        double seconds[4] = {};
        const bool complete = timeBatch(server.process, seconds[0]) &&
                              timeBatch(*echo, seconds[1]) && timeBatch(*lineEcho, seconds[2]) &&
                              (!withBaseline || timeBatch(baseline.process, seconds[3]));
        endChild(*echo);
        endChild(*lineEcho);
        if (!complete)
            return failed("not every ping got its reply");
        for (int subject = 0; subject < 4; ++subject)
            times[subject].push_back(seconds[subject]);
    }
    result.serverSeconds = median(times[0]);
    result.echoSeconds = median(times[1]);
    result.lineEchoSeconds = median(times[2]);
    result.baselineSeconds = median(times[3]);
    return true;
}

bool measurePicture(const Programs& programs, long bytes, int calls, Picture& result)
{
    ThreeWays ways;
    if (!startThreeWays(programs, {"--image-bytes", std::to_string(bytes)}, ways))
        return false;
    Bridge& server = ways.server;
    Bridge& relay = ways.relay;
    result.bytes = bytes;
    result.serverIdleKiB = static_cast<double>(statusKiB(server.process.pid, "VmRSS"));

    const char* arguments = R"({"seconds":1})";
    const bool withBaseline = !programs.baseline.empty();
    std::vector<double> times[4];
    for (int n = 1; n <= calls; ++n) {
        const Clock::time_point serverStart = Clock::now();
        const std::optional<std::string> serverAnswer =
            exchange(server.process.input, server.process.output,
                     toolCallLine(n + 1, "get_frame", arguments), pictureAnswerTimeout);
        times[0].push_back(microsecondsSince(serverStart) / 1000);

        if (withBaseline) {
            const Clock::time_point baselineStart = Clock::now();
            const std::optional<std::string> baselineAnswer =
                exchange(ways.baseline.process.input, ways.baseline.process.output,
                         toolCallLine(n + 1, "get_frame", arguments), pictureAnswerTimeout);
            times[3].push_back(microsecondsSince(baselineStart) / 1000);
            if (!answered(baselineAnswer, static_cast<std::size_t>(bytes)))
                return failed("a picture did not come through the baseline whole");
        }

        const Clock::time_point relayStart = Clock::now();
        const std::optional<std::string> relayAnswer =
            exchange(relay.process.input, relay.process.output,
                     editorRequestLine(n, "get_frame", arguments), pictureAnswerTimeout);
        times[1].push_back(microsecondsSince(relayStart) / 1000);

        const Clock::time_point directStart = Clock::now();
        const std::optional<std::string> directAnswer =
            exchange(ways.direct.fd, ways.direct, editorRequestLine(n, "get_frame", arguments),
                     pictureAnswerTimeout);
        times[2].push_back(microsecondsSince(directStart) / 1000);

        const auto size = static_cast<std::size_t>(bytes);
        if (!answered(serverAnswer, size) || !answered(relayAnswer, size) ||
            !answered(directAnswer, size)) {
            return failed("a picture did not come through whole");
        }
    }
    result.serverPeakKiB = static_cast<double>(statusKiB(server.process.pid, "VmHWM"));
    result.serverMs = median(times[0]);
    result.relayMs = median(times[1]);
    result.directMs = median(times[2]);
    result.baselineMs = withBaseline ? median(times[3]) : 0;
    return true;
}
