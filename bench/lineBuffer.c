#include "lineBuffer.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/uio.h>
#include <unistd.h>

enum { firstCapacity = 64 * 1024 };

static int makeRoom(struct LineBuffer* buffer)
{
    if (buffer->start > 0) {
        memmove(buffer->data, buffer->data + buffer->start, buffer->end - buffer->start);
        buffer->end -= buffer->start;
        buffer->start = 0;
    }
    if (buffer->end < buffer->capacity)
        return 1;
    size_t capacity = buffer->capacity ? buffer->capacity * 2 : firstCapacity;
    char* data = realloc(buffer->data, capacity);
    if (!data)
        return 0;
    buffer->data = data;
    buffer->capacity = capacity;
    return 1;
}

int nextLine(struct LineBuffer* buffer, int fd, const char** line, size_t* length)
{
    size_t searched = buffer->start;
    for (;;) {
        char* feed = buffer->end > searched
                         ? memchr(buffer->data + searched, '\n', buffer->end - searched)
                         : NULL;
        if (feed) {
            *line = buffer->data + buffer->start;
            *length = (size_t)(feed - *line) + 1;
            buffer->start += *length;
            return 1;
        }
        searched = buffer->end;
        size_t before = buffer->start;
        if (!makeRoom(buffer))
            return 0;
        searched -= before;
        ssize_t got = read(fd, buffer->data + buffer->end, buffer->capacity - buffer->end);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            if (buffer->end == buffer->start)
                return 0;
            *line = buffer->data + buffer->start;
            *length = buffer->end - buffer->start;
            buffer->start = buffer->end;
            return 1;
        }
        buffer->end += (size_t)got;
    }
}

int writePieces(int fd, const char* first, size_t firstLength, const char* second,
                size_t secondLength)
{
    struct iovec pieces[2] = {{(void*)first, firstLength}, {(void*)second, secondLength}};
    struct iovec* next = pieces;
    int count = secondLength ? 2 : 1;
    while (count > 0) {
        ssize_t written = writev(fd, next, count);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return 0;
        size_t left = (size_t)written;
        while (count > 0 && left >= next->iov_len) {
            left -= next->iov_len;
            ++next;
            --count;
        }
        if (count > 0) {
            next->iov_base = (char*)next->iov_base + left;
            next->iov_len -= left;
        }
    }
    return 1;
}
