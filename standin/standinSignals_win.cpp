#include "standin/standinSignals.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QMetaObject>

#include <windows.h>

// A console program has no window, so the polite stop a parent sends it (QProcess::terminate)
// arrives as a WM_CLOSE message to its main thread; Ctrl+C and closing the console arrive as
// console control events on a thread of their own.

namespace
{

class CloseMessageFilter : public QAbstractNativeEventFilter
{
  public:
    bool nativeEventFilter(const QByteArray&, void* message, qintptr*) override
    {
        if (static_cast<const MSG*>(message)->message != WM_CLOSE)
            return false;
        QCoreApplication::quit();
        return true;
    }
};

BOOL WINAPI quitOnControlEvent(DWORD)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                              Qt::QueuedConnection);
    return TRUE;
}

} // namespace

bool quitOnTerminationSignals()
{
    static CloseMessageFilter closeMessages;
    QCoreApplication::instance()->installNativeEventFilter(&closeMessages);
    return SetConsoleCtrlHandler(quitOnControlEvent, TRUE) != 0;
}
