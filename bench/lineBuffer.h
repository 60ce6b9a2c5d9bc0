/* A growing byte buffer that hands out whole lines read from a file descriptor. */
#ifndef KESTROVA_BENCH_LINEBUFFER_H
#define KESTROVA_BENCH_LINEBUFFER_H

#include <stddef.h>

struct LineBuffer {
    char* data;
    size_t start; /* first byte not yet handed out */
    size_t end;   /* one past the last byte read */
    size_t capacity;
};

/* The next line from fd, line feed included, in *line / *length (valid until the next call).
   Returns 1 for a line, 0 at end of input or on a read error (a last unterminated line is
   handed out first). */
int nextLine(struct LineBuffer* buffer, int fd, const char** line, size_t* length);

/* Writes all bytes of the pieces, looping over short writes; 0 when the descriptor failed. */
int writePieces(int fd, const char* first, size_t firstLength, const char* second,
                size_t secondLength);

#endif
