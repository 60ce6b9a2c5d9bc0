#include "protocol/initialize.h"

const QStringList supportedProtocolVersions{
    QStringLiteral("2025-06-18"),
    QStringLiteral("2025-03-26"),
    QStringLiteral("2024-11-05"),
};

namespace
{

QString chooseProtocolVersion(const QString& requested)
{
    return supportedProtocolVersions.contains(requested, Qt::CaseSensitive)
               ? requested
               : supportedProtocolVersions.first();
}

} // namespace

QJsonObject initializeResult(const QJsonObject& params)
{
    const QString requested = params.value(QLatin1String("protocolVersion")).toString();
    const QJsonObject capabilities{{QStringLiteral("tools"), QJsonObject()}};
    const QJsonObject serverInfo{{QStringLiteral("name"), QStringLiteral("kestrova")},
                                 {QStringLiteral("title"), QStringLiteral("Kestrova")},
                                 {QStringLiteral("version"), QStringLiteral(KESTROVA_VERSION)}};
    return QJsonObject{{QStringLiteral("protocolVersion"), chooseProtocolVersion(requested)},
                       {QStringLiteral("capabilities"), capabilities},
                       {QStringLiteral("serverInfo"), serverInfo},
                       {QStringLiteral("instructions"), serverInstructions()}};
}
