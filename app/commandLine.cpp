#include "app/commandLine.h"

#include "app/consoleText.h"
#include "app/selfCheck.h"

#include <QByteArray>
#include <QCoreApplication>

#include <cstring>

namespace
{

const char programVersion[] = "kestrova-mcp " KESTROVA_VERSION;

const char usage[] =
    "Connects an AI assistant to the Kestrova video editor.\n"
    "\n"
    "Usage:\n"
    "  kestrova-mcp            the MCP server on standard input and output. An AI client\n"
    "                          application starts it; started by hand it waits silently\n"
    "                          for MCP messages (end it with Ctrl+D, or Ctrl+Z and Enter\n"
    "                          on Windows).\n"
    "  kestrova-mcp --check    checks the connection to Kestrova and says what to do when\n"
    "                          it does not work; exit status 0 when Kestrova answered\n"
    "  kestrova-mcp --version  prints the version\n"
    "  kestrova-mcp --help     prints this text\n"
    "\n"
    "Environment:\n"
    "  KESTROVA_AI_PIPE        the name Kestrova's AI connection listens under. Leave it\n"
    "                          unset: both programs derive the same name from the home\n"
    "                          folder. Set it only when Kestrova is given the same value.\n"
    "\n"
    "In Kestrova, switch the AI connection on: File > Settings > AI connection.\n";

} // namespace

CommandLineMode commandLineMode(int argc, const char* const argv[])
{
    if (argc != 2)
        return CommandLineMode::Server;
    const char* option = argv[1];
    if (std::strcmp(option, "--version") == 0)
        return CommandLineMode::Version;
    if (std::strcmp(option, "--help") == 0 || std::strcmp(option, "-h") == 0)
        return CommandLineMode::Help;
    if (std::strcmp(option, "--check") == 0)
        return CommandLineMode::Check;
    return CommandLineMode::Server;
}

int runCommandLineMode(CommandLineMode mode, int argc, char* argv[])
{
    switch (mode) {
    case CommandLineMode::Server:
        break;
    case CommandLineMode::Version:
        printText(QLatin1String(programVersion) + QLatin1Char('\n'));
        return 0;
    case CommandLineMode::Help:
        printText(QLatin1String(programVersion) + QLatin1Char('\n') + QLatin1String(usage));
        return 0;
    case CommandLineMode::Check: {
        QCoreApplication application(argc, argv);
        const SelfCheck check = runSelfCheck();
        printText(check.report);
        return check.editorAnswered ? 0 : 1;
    }
    }
    return 0;
}
