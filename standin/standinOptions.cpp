#include "standin/standinOptions.h"

#include <array>
#include <utility>

namespace
{

const std::array<std::pair<const char*, StandinMode>, 12> modeNames{{
    {"normal", StandinMode::Normal},
    {"silent", StandinMode::Silent},
    {"wrong-id", StandinMode::WrongId},
    {"string-id", StandinMode::StringId},
    {"not-json", StandinMode::NotJson},
    {"two-lines", StandinMode::TwoLines},
    {"trickle", StandinMode::Trickle},
    {"close-after", StandinMode::CloseAfter},
    {"error", StandinMode::Error},
    {"slow", StandinMode::Slow},
    {"drop-mid-reply", StandinMode::DropMidReply},
    {"exit-before-reply", StandinMode::ExitBeforeReply},
}};

std::optional<StandinMode> modeNamed(const QString& name)
{
    for (const auto& [modeName, mode] : modeNames) {
        if (name == QLatin1String(modeName))
            return mode;
    }
    return std::nullopt;
}

std::optional<qint64> nonNegativeNumber(const QString& text)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < 0)
        return std::nullopt;
    return value;
}

StandinOptions refused(const QString& why)
{
    StandinOptions options;
    options.error = why;
    return options;
}

} // namespace

StandinOptions parseStandinOptions(const QStringList& arguments)
{
    StandinOptions options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& option = arguments.at(i);
        if (option == QLatin1String("--announce")) {
            options.announce = true;
            continue;
        }
        if (option == QLatin1String("--verbose")) {
            options.verbose = true;
            continue;
        }
        const bool takesValue =
            option == QLatin1String("--name") || option == QLatin1String("--mode") ||
            option == QLatin1String("--delay-ms") || option == QLatin1String("--image-bytes");
        if (!takesValue)
            return refused(QStringLiteral("unknown option %1").arg(option));
        if (i + 1 == arguments.size())
            return refused(QStringLiteral("%1 needs a value").arg(option));
        const QString value = arguments.at(++i);

        if (option == QLatin1String("--name")) {
            if (value.isEmpty())
                return refused(QStringLiteral("--name needs a name"));
            options.name = value;
        } else if (option == QLatin1String("--mode")) {
            const std::optional<StandinMode> mode = modeNamed(value);
            if (!mode)
                return refused(QStringLiteral("unknown mode %1").arg(value));
            options.mode = *mode;
        } else {
            const std::optional<qint64> number = nonNegativeNumber(value);
            if (!number)
                return refused(
                    QStringLiteral("%1 needs a whole number, not %2").arg(option, value));
            if (option == QLatin1String("--delay-ms"))
                options.delay = std::chrono::milliseconds(*number);
            else
                options.imageBytes = qsizetype(*number);
        }
    }
    return options;
}

std::chrono::milliseconds answerDelay(const StandinOptions& options)
{
    if (options.delay)
        return *options.delay;
    return options.mode == StandinMode::Slow ? slowModeDelay : std::chrono::milliseconds(0);
}
