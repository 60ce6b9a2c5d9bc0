#include "app/consoleText.h"

#include <QByteArray>
#include <QString>

#include <cstdio>

#include <windows.h>

namespace
{

// A console takes at most this many characters in one write.
constexpr qsizetype consoleWriteChars = 8192;

bool writeToConsole(HANDLE console, const QString& text)
{
    for (qsizetype at = 0; at < text.size(); at += consoleWriteChars) {
        const qsizetype count = qMin(consoleWriteChars, text.size() - at);
        DWORD written = 0;
        if (!WriteConsoleW(console, text.utf16() + at, DWORD(count), &written, nullptr))
            return false;
    }
    return true;
}

} // namespace

void printText(const QString& text)
{
    std::fflush(stdout);
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD consoleMode = 0;
    // Only a console answers GetConsoleMode; a pipe or a file gets the UTF-8 bytes.
    if (output != INVALID_HANDLE_VALUE && output != nullptr &&
        GetConsoleMode(output, &consoleMode) && writeToConsole(output, text))
        return;
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}
