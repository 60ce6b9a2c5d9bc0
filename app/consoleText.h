#pragma once

class QString;

// Writes text for a person to standard output: UTF-8 bytes, except into a Windows console, which
// is given the text itself so that every letter shows whatever its code page.
void printText(const QString& text);
