#include "app/commandLine.h"

#include "app/selfCheck.h"

#include <QByteArray>
#include <QCoreApplication>

#include <cstdio>
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

void print(const QByteArray& text)
{
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    std::fflush(stdout);
}

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
        print(QByteArray(programVersion) + '\n');
        return 0;
    case CommandLineMode::Help:
        print(QByteArray(programVersion) + '\n' + usage);
        return 0;
    case CommandLineMode::Check: {
        QCoreApplication application(argc, argv);
        const SelfCheck check = runSelfCheck();
        print(check.report.toUtf8());
        return check.editorAnswered ? 0 : 1;
    }
    }
    return 0;
}
