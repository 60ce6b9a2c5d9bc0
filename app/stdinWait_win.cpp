#include "app/stdinWait.h"

#include <QLocalSocket>

#include <chrono>

#include <io.h>
#include <windows.h>

namespace
{

// Standard input is usually an anonymous pipe, which cannot be waited on together with the
// editor's named pipe: it is looked at between short waits on the socket.
constexpr std::chrono::milliseconds inputLookInterval{10};

enum class InputKind { Pipe, File, Unwatched };

InputKind inputKind(HANDLE input)
{
    switch (GetFileType(input)) {
    case FILE_TYPE_PIPE:
        return InputKind::Pipe;
    case FILE_TYPE_DISK:
        return InputKind::File;
    default:
        // A console: a read waits for a whole typed line, so what is typed during a call is
        // read after it.
        return InputKind::Unwatched;
    }
}

enum class InputLook { Waiting, Nothing, CannotTell };

// Whether a read of standard input would not block: a pipe with bytes in it or a broken one
// (the read then sees the end), a file always. A handle that is no pipe Windows can look into
// (under Wine, a Unix socket a parent handed down) cannot tell: it is not read during the call.
InputLook lookAtInput(HANDLE input, InputKind kind)
{
    if (kind == InputKind::File)
        return InputLook::Waiting;
    DWORD available = 0;
    if (!PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr))
        return GetLastError() == ERROR_BROKEN_PIPE ? InputLook::Waiting : InputLook::CannotTell;
    return available > 0 ? InputLook::Waiting : InputLook::Nothing;
}

} // namespace

Woken waitForEditorOrInput(QLocalSocket& socket, bool watchInput, const QDeadlineTimer& until)
{
    const HANDLE input = reinterpret_cast<HANDLE>(_get_osfhandle(0));
    InputKind kind = watchInput ? inputKind(input) : InputKind::Unwatched;
    for (;;) {
        if (kind != InputKind::Unwatched) {
            switch (lookAtInput(input, kind)) {
            case InputLook::Waiting:
                return Woken::Input;
            case InputLook::Nothing:
                break;
            case InputLook::CannotTell:
                kind = InputKind::Unwatched;
                break;
            }
        }
        QDeadlineTimer slice = until;
        if (kind != InputKind::Unwatched) {
            const QDeadlineTimer look(inputLookInterval);
            if (look < slice)
                slice = look;
        }
        const qint64 unwritten = socket.bytesToWrite();
        if (socket.waitForReadyRead(int(slice.remainingTime())) ||
            socket.bytesToWrite() != unwritten || socket.state() != QLocalSocket::ConnectedState)
            return Woken::Editor;
        if (until.hasExpired())
            return Woken::TimeUp;
    }
}
