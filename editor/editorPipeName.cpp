#include "editor/editorPipeName.h"

#include <QCryptographicHash>
#include <QDir>

namespace
{

QString editorPipeNameForHome(const QString& homePath)
{
    const QByteArray digest =
        QCryptographicHash::hash(homePath.toUtf8(), QCryptographicHash::Sha256).toHex();
    return QStringLiteral("kestrova-ai-") + QString::fromLatin1(digest.left(12));
}

} // namespace

EditorPipeOrigin editorPipeOrigin()
{
    const QString configured = qEnvironmentVariable("KESTROVA_AI_PIPE");
    if (!configured.isEmpty())
        return {configured, QString()};
    const QString home = QDir::homePath();
    return {editorPipeNameForHome(home), home};
}

QString editorPipeName()
{
    return editorPipeOrigin().name;
}

// Qt's rule for local socket names: a name that is not already a full path is placed in the
// pipe namespace on Windows and in the temporary directory elsewhere.
QString editorSocketLocation(const QString& name)
{
#if defined(_WIN32)
    const QString pipes = QStringLiteral("\\\\.\\pipe\\");
    return name.startsWith(pipes) ? name : pipes + name;
#else
    return name.startsWith(u'/') ? name : QDir::tempPath() + u'/' + name;
#endif
}
