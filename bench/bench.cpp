// kestrova-bench: measures the server beside its floors (a bare relay, a bare Qt program, a
// line echo and the editor socket itself) and prints the figures and the goals they meet.
// Always exits with 0: it measures, it does not test.
#include "benchCases.h"
#include "benchStats.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

constexpr long mebibyte = 1024 * 1024;
constexpr long pictureSizes[3] = {1 * mebibyte, 8 * mebibyte, 32 * mebibyte};

// The folder of this program: in the build tree, bench/, beside app/ and standin/.
std::string ownFolder()
{
    char path[PATH_MAX];
    const ssize_t size = readlink("/proc/self/exe", path, sizeof path - 1);
    if (size <= 0)
        return ".";
    const std::string text(path, static_cast<std::size_t>(size));
    return text.substr(0, text.rfind('/'));
}

struct Options {
    Programs programs;
    Repetitions repetitions;
    bool valid = true;
};

Options parseOptions(int argc, char* argv[])
{
    Options options;
    const std::string folder = ownFolder();
    options.programs = {folder + "/../app/kestrova-mcp", folder + "/../standin/kestrova-standin",
                        folder + "/kestrova-relay", folder + "/kestrova-qtfloor",
                        folder + "/kestrova-echo"};
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--quick") {
            options.repetitions = {5, 20, 200, 2000, 1, {3, 2, 2}};
            continue;
        }
        std::string* path = option == "--server"    ? &options.programs.server
                            : option == "--standin" ? &options.programs.standin
                            : option == "--relay"   ? &options.programs.relay
                            : option == "--qtfloor" ? &options.programs.qtfloor
                            : option == "--echo"    ? &options.programs.echo
                                                    : nullptr;
        if (!path || i + 1 == argc) {
            options.valid = false;
            return options;
        }
        *path = argv[++i];
    }
    return options;
}

void printHeading(const char* heading)
{
    std::printf("\n%s\n", heading);
}

} // namespace

int main(int argc, char* argv[])
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const Options options = parseOptions(argc, argv);
    if (!options.valid) {
        std::printf("usage: kestrova-bench [--quick] [--server PATH] [--standin PATH] "
                    "[--relay PATH] [--qtfloor PATH] [--echo PATH]\n");
        return 0;
    }
    const Programs& programs = options.programs;
    const Repetitions& repetitions = options.repetitions;
    std::vector<std::string> goals;
    auto goal = [&](bool met, const std::string& what, double value, double limit) {
        char measured[64];
        std::snprintf(measured, sizeof measured, "%.2f, goal %.2f", value, limit);
        goals.push_back(goalLine(met, what, measured));
    };
    // The server's figure beside the relay's and the Qt floor's; its goal is 1.25x the Qt floor.
    auto besideQtFloor = [&](const char* unit, int decimals, double server, double relay,
                             double qtfloor, const std::string& what) {
        std::printf("  server  %8.*f %s   %s of the Qt floor\n", decimals, server, unit,
                    ratioText(server, qtfloor).c_str());
        std::printf("  relay   %8.*f %s\n", decimals, relay, unit);
        std::printf("  Qt floor%8.*f %s\n", decimals, qtfloor, unit);
        goal(server <= 1.25 * qtfloor, what + " <= 1.25x the Qt floor's", server / qtfloor, 1.25);
    };

    printHeading("1. Cold start: process start to the initialize reply (median)");
    ColdStart cold;
    if (measureColdStart(programs, repetitions.coldStarts, cold))
        besideQtFloor("ms", 2, cold.serverMs, cold.relayMs, cold.qtfloorMs, "cold start");

    printHeading("2. tools/list latency (server, median)");
    double listUs = 0;
    if (measureToolsList(programs, repetitions.toolsLists, listUs))
        std::printf("  server  %8.1f us\n", listUs);

    printHeading("3. Tool call round trip, get_project (median / p99)");
    RoundTrip trip;
    if (measureRoundTrip(programs, repetitions.toolCalls, trip)) {
        std::printf("  server  %8.1f us / %8.1f us\n", trip.serverMedianUs, trip.serverP99Us);
        std::printf("  relay   %8.1f us / %8.1f us\n", trip.relayMedianUs, trip.relayP99Us);
        std::printf("  direct  %8.1f us / %8.1f us\n", trip.directMedianUs, trip.directP99Us);
        const double serverAdds = trip.serverMedianUs - trip.directMedianUs;
        const double relayAdds = trip.relayMedianUs - trip.directMedianUs;
        std::printf("  added by the server %8.1f us, by the relay %8.1f us: %s\n", serverAdds,
                    relayAdds, ratioText(serverAdds, relayAdds).c_str());
        goal(relayAdds > 0 && serverAdds <= 1.5 * relayAdds,
             "latency a tool call adds <= 1.5x the relay's", serverAdds / relayAdds, 1.5);
    }

    printHeading("4. Pipelined pings: all written at once, time to the last reply (median)");
    Pings pings;
    if (measurePings(programs, repetitions.pings, repetitions.pingRounds, pings)) {
        const double serverRate = repetitions.pings / pings.serverSeconds;
        const double echoRate = repetitions.pings / pings.echoSeconds;
        std::printf("  %d pings\n", repetitions.pings);
        std::printf("  server  %8.1f ms  %10.0f lines/s\n", pings.serverSeconds * 1000, serverRate);
        const double lineEchoRate = repetitions.pings / pings.lineEchoSeconds;
        std::printf("  echo    %8.1f ms  %10.0f lines/s\n", pings.echoSeconds * 1000, echoRate);
        std::printf("  echo, a write per line: %.1f ms, %.0f lines/s (the server: %.0f %% of it)\n",
                    pings.lineEchoSeconds * 1000, lineEchoRate, 100 * serverRate / lineEchoRate);
        std::printf("  server rate: %.0f %% of the echo's\n", 100 * serverRate / echoRate);
        goal(serverRate >= 0.4 * echoRate, "pipelined pings >= 40% of the echo's rate",
             serverRate / echoRate, 0.4);
    }

    printHeading("5. Pictures: get_frame through server and relay (median per call)");
    for (int size = 0; size < 3; ++size) {
        Picture picture;
        if (!measurePicture(programs, pictureSizes[size], repetitions.pictureCalls[size], picture))
            continue;
        const double pictureKiB = static_cast<double>(picture.bytes) / 1024;
        const double aboveIdle = (picture.serverPeakKiB - picture.serverIdleKiB) / pictureKiB;
        const long mib = picture.bytes / mebibyte;
        std::printf("  %2ld MiB: server %8.1f ms, relay %8.1f ms (%s), direct %8.1f ms\n", mib,
                    picture.serverMs, picture.relayMs,
                    ratioText(picture.serverMs, picture.relayMs).c_str(), picture.directMs);
        std::printf("          server peak %.0f KiB, idle %.0f KiB: above idle %.2fx the "
                    "picture\n",
                    picture.serverPeakKiB, picture.serverIdleKiB, aboveIdle);
        if (mib < 8)
            continue;
        const std::string name = std::to_string(mib) + " MiB picture";
        goal(picture.serverMs <= 4 * picture.relayMs, name + " time <= 4x the relay's",
             picture.serverMs / picture.relayMs, 4);
        goal(aboveIdle <= 3, name + " peak memory above idle <= 3x its size", aboveIdle, 3);
    }

    printHeading("6. Idle resident memory after initialize (median)");
    if (cold.qtfloorKiB > 0)
        besideQtFloor("KiB", 0, cold.serverKiB, cold.relayKiB, cold.qtfloorKiB, "idle memory");

    printHeading("Goals");
    for (const std::string& line : goals)
        std::printf("  %s\n", line.c_str());
    return 0;
}
