#pragma once

// The measured cases: each runs its subjects round-robin and returns plain figures.

#include <string>

struct Programs {
    std::string server, standin, relay, qtfloor, echo;
    std::string baseline; // another build of the server, measured beside it; empty for none
};

struct Repetitions {
    int coldStarts = 30;
    int toolsLists = 200;
    int toolCalls = 2000;
    int pings = 20000;
    int pingRounds = 5;
    int pictureCalls[3] = {10, 5, 5};
};

struct ColdStart {
    double serverMs = 0, relayMs = 0, qtfloorMs = 0;
    double serverKiB = 0, relayKiB = 0, qtfloorKiB = 0; // resident after initialize (median)
};

struct RoundTrip {
    double serverMedianUs = 0, serverP99Us = 0;
    double relayMedianUs = 0, relayP99Us = 0;
    double directMedianUs = 0, directP99Us = 0;
    double baselineMedianUs = 0, baselineP99Us = 0;
};

struct Pings {
    double serverSeconds = 0;
    double echoSeconds = 0;     // the echo that writes what each read brings at once
    double lineEchoSeconds = 0; // the echo that writes line by line
    double baselineSeconds = 0;
};

struct Picture {
    long bytes = 0;
    double serverMs = 0, relayMs = 0, directMs = 0, baselineMs = 0;
    double serverIdleKiB = 0, serverPeakKiB = 0;
};

// Every case returns false (and says why on standard output) when a subject misbehaved.
bool measureColdStart(const Programs& programs, int repetitions, ColdStart& result);
bool measureToolsList(const Programs& programs, int repetitions, double& medianUs);
bool measureRoundTrip(const Programs& programs, int repetitions, RoundTrip& result);
bool measurePings(const Programs& programs, int count, int rounds, Pings& result);
bool measurePicture(const Programs& programs, long bytes, int calls, Picture& result);
