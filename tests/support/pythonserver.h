// A real web server for tests: Debian's Python http.server on 127.0.0.1.
// Needs BRISOLT_SYSTEM_PYTHON defined and QtCore.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include <QByteArray>
#include <QDeadlineTimer>
#include <QProcess>
#include <QString>

namespace brisolt::test
{

// Python's http.server on a free port of 127.0.0.1, serving a folder; stopped
// when it goes out of scope.
class TPythonServer
{
public:
    explicit TPythonServer(const std::filesystem::path& folder)
    {
        Process.setStandardErrorFile(QProcess::nullDevice());
        Process.start(
            QString::fromUtf8(BRISOLT_SYSTEM_PYTHON),
            {QStringLiteral("-u"),
             QStringLiteral("-m"),
             QStringLiteral("http.server"),
             QStringLiteral("--bind"),
             QStringLiteral("127.0.0.1"),
             QStringLiteral("--directory"),
             QString::fromStdString(folder.string()),
             QStringLiteral("0")});
        if (!Process.waitForStarted(10000))
            return;
        // "Serving HTTP on 127.0.0.1 port N (http://127.0.0.1:N/) ..."
        const QDeadlineTimer deadline(20000);
        QByteArray output;
        while (!deadline.hasExpired() && !output.contains('\n')
               && Process.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            output += Process.readAllStandardOutput();
        const qsizetype at = output.indexOf(" port ");
        if (at >= 0)
            ServerPort = output.mid(at + 6).split(' ').first().toUShort();
    }

    ~TPythonServer()
    {
        Process.terminate();
        if (!Process.waitForFinished(5000))
        {
            Process.kill();
            Process.waitForFinished(5000);
        }
    }

    TPythonServer(const TPythonServer&) = delete;
    TPythonServer& operator=(const TPythonServer&) = delete;

    [[nodiscard]] uint16_t Port() const { return ServerPort; }

    [[nodiscard]] std::string URL(std::string_view path) const
    {
        return "http://127.0.0.1:" + std::to_string(ServerPort) + std::string(path);
    }

private:
    QProcess Process;
    uint16_t ServerPort = 0;
};

} // namespace brisolt::test
