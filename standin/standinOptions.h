#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

// How the stand-in answers each request.
enum class StandinMode {
    Normal,
    Silent,
    WrongId,
    StringId,
    NotJson,
    TwoLines,
    Trickle,
    CloseAfter,
    Error,
    Slow,
    DropMidReply,
    ExitBeforeReply,
};

// The slow mode's delay when --delay-ms does not set one.
constexpr std::chrono::milliseconds slowModeDelay{2000};

struct StandinOptions {
    QString name; // empty: the name the server derives
    StandinMode mode = StandinMode::Normal;
    std::optional<std::chrono::milliseconds> delay;
    std::optional<qsizetype> imageBytes; // Base64 size of the picture the picture tools send
    bool announce = false;
    bool verbose = false;
    QString error; // why the command line was refused; empty when it was not
};

// Reads the command line, without the program name.
StandinOptions parseStandinOptions(const QStringList& arguments);

// The wait before each answer: --delay-ms when given, else the mode's own.
std::chrono::milliseconds answerDelay(const StandinOptions& options);
