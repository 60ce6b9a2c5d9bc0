// kestrova-qtfloor: the least a Qt Core + Network program on standard streams can be. It loads
// what the server loads, then answers every input line with an empty result, copying the
// request's id byte for byte (or 1 when it finds none).
#include <QCoreApplication>
#include <QLocalSocket>

#include <cstdio>
#include <cstring>
#include <string>

namespace
{

std::string idOf(const std::string& line)
{
    const char key[] = "\"id\":";
    const std::size_t at = line.find(key);
    if (at == std::string::npos)
        return "1";
    const std::size_t value = at + sizeof key - 1;
    const std::size_t stop = line.find_first_of(",}", value);
    if (stop == std::string::npos || stop == value)
        return "1";
    return line.substr(value, stop - value);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QLocalSocket socket;
    std::string line;
    char chunk[65536];
    while (std::fgets(chunk, sizeof chunk, stdin)) {
        line += chunk;
        if (line.back() != '\n' && !std::feof(stdin))
            continue;
        const std::string answer =
            "{\"jsonrpc\":\"2.0\",\"id\":" + idOf(line) + ",\"result\":{}}\n";
        std::fwrite(answer.data(), 1, answer.size(), stdout);
        std::fflush(stdout);
        line.clear();
    }
    return 0;
}
