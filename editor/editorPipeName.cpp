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

QString editorPipeName()
{
    const QString configured = qEnvironmentVariable("KESTROVA_AI_PIPE");
    if (!configured.isEmpty())
        return configured;
    return editorPipeNameForHome(QDir::homePath());
}
