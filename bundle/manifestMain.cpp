// kestrova-manifest OUT_FILE: writes the MCP bundle's manifest.json, its tools taken from the
// catalogue, so that the bundle always lists the tools the server announces.

#include "bundle/bundleManifest.h"

#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fputs("usage: kestrova-manifest OUT_FILE\n", stderr);
        return 2;
    }
    QSaveFile file(QFile::decodeName(argv[1]));
    const QByteArray text = QJsonDocument(bundleManifest(QStringLiteral(KESTROVA_VERSION)))
                                .toJson(QJsonDocument::Indented);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        std::fprintf(stderr, "kestrova-manifest: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
