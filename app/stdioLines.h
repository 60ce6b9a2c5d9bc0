#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <initializer_list>

// Standard input read in large pieces and cut into lines.
struct InputLines {
    QByteArray buffer;
    qsizetype start = 0;   // where the next line begins
    qsizetype scanned = 0; // how far the buffer is known to hold no line feed
    bool ended = false;
};

// Switches standard input, then standard output, to binary mode where the platform translates
// line ends.
void useBinaryStdio();

// The next line without its line feed; false once input has ended and nothing is left.
bool readLine(InputLines& input, QByteArray& line);

// Writes the pieces and a line feed to standard output at once; failures are ignored.
void writeLine(std::initializer_list<QByteArrayView> pieces);
