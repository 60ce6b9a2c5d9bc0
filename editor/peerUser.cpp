#include "editor/peerUser.h"

#include <QLocalSocket>

bool peerIsSameUser(QLocalSocket&)
{
    return true;
}
