#pragma once

// A virtual display for tests that run the whole program: an Xvfb server of its own, up
// until the object goes.

#include <QProcess>
#include <QString>
#include <QThread>

#include <filesystem>
#include <string>

class VirtualDisplay {
public:
    static bool Installed() { return std::filesystem::exists(kServer); }

    // Starts the server on display number (":" + number); whether it came up.
    bool Start(int number)
    {
        m_name = ":" + std::to_string(number);
        m_server.start(kServer, {QString::fromStdString(m_name), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
        if (!m_server.waitForStarted(5000))
            return false;
        const std::filesystem::path socket = "/tmp/.X11-unix/X" + std::to_string(number);
        for (int i = 0; i < 100 && !std::filesystem::exists(socket); ++i)
            QThread::msleep(50);
        return std::filesystem::exists(socket);
    }

    ~VirtualDisplay()
    {
        if (m_server.state() != QProcess::NotRunning) {
            m_server.terminate();
            m_server.waitForFinished(5000);
        }
    }

    // The DISPLAY value.
    const std::string& Name() const { return m_name; }

private:
    static constexpr const char* kServer = "/usr/bin/Xvfb";
    QProcess m_server;
    std::string m_name;
};
