#include "app/consoleText.h"

#include <QByteArray>
#include <QString>

#include <cstdio>

void printText(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}
