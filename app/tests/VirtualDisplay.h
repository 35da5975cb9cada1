#pragma once

// A virtual display for tests that run the whole program: an Xvfb server of its own, up
// until the object goes.

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>

#include <filesystem>
#include <string>

class VirtualDisplay {
public:
    static bool Installed() { return std::filesystem::exists(kServer); }

    // Starts the server on a display number it finds free itself (so tests of other builds
    // on the machine never share one), and waits until it takes connections; whether it
    // came up.
    bool Start()
    {
        // The server writes its display number to its output once it is ready.
        m_server.start(kServer, {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
        if (!m_server.waitForStarted(kStartMs))
            return false;
        QByteArray said;
        QElapsedTimer clock;
        clock.start();
        while (!said.contains('\n')) {
            if (m_server.state() == QProcess::NotRunning || clock.elapsed() > kStartMs)
                return false;
            m_server.waitForReadyRead(100);
            said += m_server.readAllStandardOutput();
        }
        bool number = false;
        said.trimmed().toInt(&number);
        if (!number)
            return false;
        m_name = ":" + said.trimmed().toStdString();
        return true;
    }

    ~VirtualDisplay()
    {
        if (m_server.state() != QProcess::NotRunning) {
            m_server.terminate();
            m_server.waitForFinished(5000);
        }
    }

    // Ends the server at once, as a desktop session's end takes the display away; whether it
    // has ended.
    bool Kill()
    {
        m_server.kill();
        return m_server.waitForFinished(kStartMs);
    }

    // The DISPLAY value.
    const std::string& Name() const { return m_name; }

private:
    static constexpr const char* kServer = "/usr/bin/Xvfb";
    // How long a server may take to come up on a busy machine.
    static constexpr int kStartMs = 60000;
    QProcess m_server;
    std::string m_name;
};
