#pragma once

// The process's standard input and output at the level of the system's reads and writes. A
// stream handed down non-blocking, or a call interrupted by a signal, is waited for and gone on
// with: only a read that finds the end ends the input.

#include <QByteArrayView>
#include <QVarLengthArray>
#include <QtGlobal>

// A line's pieces, written one after the other.
using LinePieces = QVarLengthArray<QByteArrayView, 4>;

// Switches standard input, then standard output, to binary mode where the platform translates
// line ends.
void useBinaryStdio();

// Reads what standard input has, up to `size` bytes, waiting until it has something; 0 at the end
// of input or when it cannot be read at all.
qsizetype readInput(char* into, qsizetype size);

// Writes the pieces, then a line feed when `endLine` is set, whole, waiting while standard output
// is full; false when it cannot be written to, and then some of the pieces may be lost.
bool writeOutput(const LinePieces& pieces, bool endLine);
