/* kestrova-relay: the least a bridge between standard streams and the editor socket can do.
   Each input line that is an editor request goes to the editor socket as it is, and the
   editor's answer line comes back to standard output as it is: no JSON is parsed or built.
   Protocol housekeeping (initialize, ping, tools/list) gets a fixed answer at once, with the
   request's id copied byte for byte; lines without an id get no answer. */
#include "lineBuffer.h"

#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

/* Where Qt's local server listens for a name: a relative name lives in the temp directory. */
static int connectEditor(void)
{
    const char* name = getenv("KESTROVA_AI_PIPE");
    if (!name || !*name)
        return -1;
    const char* folder = getenv("TMPDIR");
    if (!folder || !*folder)
        folder = "/tmp";
    struct sockaddr_un address;
    memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    int fits = name[0] == '/'
                   ? snprintf(address.sun_path, sizeof address.sun_path, "%s", name)
                   : snprintf(address.sun_path, sizeof address.sun_path, "%s/%s", folder, name);
    if (fits < 0 || (size_t)fits >= sizeof address.sun_path)
        return -1;
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return -1;
    if (connect(fd, (struct sockaddr*)&address, sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

/* The bytes of the value after "id": up to the next comma or closing brace. */
static int findId(const char* line, size_t length, const char** id, size_t* idLength)
{
    static const char key[] = "\"id\":";
    const char* end = line + length;
    for (const char* at = line; at + sizeof key - 1 <= end; ++at) {
        if (memcmp(at, key, sizeof key - 1) != 0)
            continue;
        const char* value = at + sizeof key - 1;
        const char* stop = value;
        while (stop < end && *stop != ',' && *stop != '}')
            ++stop;
        *id = value;
        *idLength = (size_t)(stop - value);
        return stop > value;
    }
    return 0;
}

static int isHousekeeping(const char* line, size_t length)
{
    static const char key[] = "\"method\":";
    for (size_t at = 0; at + sizeof key - 1 <= length; ++at) {
        if (memcmp(line + at, key, sizeof key - 1) == 0)
            return 1;
    }
    return 0;
}

static int answerAtOnce(const char* line, size_t length)
{
    const char* id;
    size_t idLength;
    if (!findId(line, length, &id, &idLength))
        return 1;
    char answer[256];
    int size = snprintf(answer, sizeof answer, "{\"jsonrpc\":\"2.0\",\"id\":%.*s,\"result\":{}}\n",
                        (int)(idLength < 64 ? idLength : 64), id);
    return writePieces(STDOUT_FILENO, answer, (size_t)size, NULL, 0);
}

int main(void)
{
    signal(SIGPIPE, SIG_IGN);
    struct LineBuffer input = {0};
    struct LineBuffer editor = {0};
    int editorFd = -1;
    const char* line;
    size_t length;
    while (nextLine(&input, STDIN_FILENO, &line, &length)) {
        if (isHousekeeping(line, length)) {
            if (!answerAtOnce(line, length))
                break;
            continue;
        }
        if (editorFd < 0 && (editorFd = connectEditor()) < 0)
            break;
        int ended = line[length - 1] == '\n';
        if (!writePieces(editorFd, line, length, "\n", ended ? 0 : 1))
            break;
        const char* answer;
        size_t answerLength;
        if (!nextLine(&editor, editorFd, &answer, &answerLength))
            break;
        if (!writePieces(STDOUT_FILENO, answer, answerLength, NULL, 0))
            break;
    }
    return 0;
}
