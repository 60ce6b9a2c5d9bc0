/* kestrova-echo: writes every line of standard input back to standard output, unchanged.
   The floor for how fast a process can answer lines on its standard streams: whatever whole
   lines one read brings leave together in one write. With --line-by-line each line leaves in
   a write of its own, as a program that answers line by line without batching would. */
#include "lineBuffer.h"

#include <errno.h>
#include <string.h>
#include <unistd.h>

enum { chunkSize = 64 * 1024 };

static int echoLineByLine(void)
{
    struct LineBuffer input = {0};
    const char* line;
    size_t length;
    while (nextLine(&input, STDIN_FILENO, &line, &length)) {
        if (!writePieces(STDOUT_FILENO, line, length, NULL, 0))
            break;
    }
    return 0;
}

int main(int argc, char* argv[])
{
    if (argc > 1 && strcmp(argv[1], "--line-by-line") == 0)
        return echoLineByLine();
    static char chunk[chunkSize];
    size_t kept = 0; /* bytes of an unfinished line at the start of chunk */
    for (;;) {
        if (kept == chunkSize) { /* a line longer than the chunk leaves in pieces */
            if (!writePieces(STDOUT_FILENO, chunk, kept, NULL, 0))
                return 0;
            kept = 0;
        }
        ssize_t got = read(STDIN_FILENO, chunk + kept, chunkSize - kept);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        size_t filled = kept + (size_t)got;
        size_t whole = filled;
        while (whole > 0 && chunk[whole - 1] != '\n')
            --whole;
        if (whole > 0 && !writePieces(STDOUT_FILENO, chunk, whole, NULL, 0))
            return 0;
        kept = filled - whole;
        memmove(chunk, chunk + whole, kept);
    }
    if (kept > 0)
        writePieces(STDOUT_FILENO, chunk, kept, NULL, 0);
    return 0;
}
