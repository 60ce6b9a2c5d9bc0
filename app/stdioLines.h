#pragma once

#include "app/stdStreams.h"

#include <QByteArray>

// Standard input read in large pieces and cut into lines.
struct InputLines {
    QByteArray buffer;
    qsizetype start = 0;   // where the next line begins
    qsizetype scanned = 0; // how far the buffer is known to hold no line feed
    bool ended = false;
};

// Reply lines not yet written. Replies to requests that arrived together leave together, in
// one write, as soon as the server would otherwise wait: for more input or for the editor.
struct OutputLines {
    QByteArray pending;
    bool failed = false; // a write failed: nothing more is written
};

// Whether a short next line can be had without waiting for input: one quickly answered, so that
// replies made so far may wait for it.
bool shortLineIsWaiting(InputLines& input);

// The next line without its line feed; false once input has ended and nothing is left.
bool readLine(InputLines& input, QByteArray& line);

// The next line if it has arrived whole (or input has ended), without reading.
bool takeBufferedLine(InputLines& input, QByteArray& line);

// Reads once what standard input has, waiting for it if there is nothing; false at its end.
bool readMore(InputLines& input);

// Adds the pieces and a line feed to the lines to write; large ones are written at once, without
// being copied.
void queueLine(OutputLines& output, const LinePieces& pieces);

// Writes the queued lines to standard output; after a failed write, nothing is.
void flushLines(OutputLines& output);
