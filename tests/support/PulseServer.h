// A PulseAudio server of one test's own, whose output devices are null sinks: SDL's pulseaudio
// driver lists them by their descriptions, sinks come and go as a headset does, and pactl tells
// on which sink the player's sound plays. While it lives, the audio layer opens its device there.
#pragma once

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "support/ScopedEnv.h"

namespace testenv {

class PulseServer {
public:
    // Starts the server with the sinks (name, description) given, the first the default.
    explicit PulseServer(const std::vector<std::pair<std::string, std::string>>& sinks)
        : m_socket(m_dir.filePath("native").toStdString()),
          m_server("PULSE_SERVER", ("unix:" + m_socket).c_str()),
          m_driver("SDL_AUDIODRIVER", "pulseaudio") {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", m_dir.path());
        environment.insert("PULSE_RUNTIME_PATH", m_dir.filePath("run"));
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::ForwardedOutputChannel);
        m_process.start("pulseaudio",
                        {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                         "--disable-shm=yes", "--log-level=error", "-L",
                         QString("module-native-protocol-unix socket=%1 auth-anonymous=1")
                             .arg(QString::fromStdString(m_socket))});
        m_bRunning = m_process.waitForStarted(5000) &&
                     QTest::qWaitFor([this] { return Pactl({"info"}).first == 0; }, 10000);
        for (const auto& [name, description] : sinks)
            m_bRunning = m_bRunning && AddSink(name, description);
        if (m_bRunning && !sinks.empty())
            m_bRunning =
                Pactl({"set-default-sink", QString::fromStdString(sinks[0].first)}).first == 0;
    }
    ~PulseServer() {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) m_process.kill();
        m_process.waitForFinished(5000);
    }
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    bool Running() const { return m_bRunning; }

    // Plugs in a sink, as a headset would appear.
    bool AddSink(const std::string& name, const std::string& description) {
        const auto [code, out] = Pactl({"load-module", "module-null-sink",
                                        QString("sink_name=%1").arg(QString::fromStdString(name)),
                                        QString("sink_properties=device.description=%1")
                                            .arg(QString::fromStdString(description))});
        if (code != 0) return false;
        m_modules[name] = QString::fromStdString(out).trimmed();
        return true;
    }
    // Unplugs it.
    bool RemoveSink(const std::string& name) {
        const auto module = m_modules.find(name);
        if (module == m_modules.end()) return false;
        const bool removed = Pactl({"unload-module", module->second}).first == 0;
        m_modules.erase(module);
        return removed;
    }

    // The sink the one playing stream plays on ("" while there is none).
    std::string SinkOfStream() const {
        std::map<std::string, std::string> sinkNames;  // index -> name
        for (const QString& line : Lines({"list", "short", "sinks"})) {
            const QStringList fields = line.split('\t');
            if (fields.size() > 1) sinkNames[fields[0].toStdString()] = fields[1].toStdString();
        }
        for (const QString& line : Lines({"list", "short", "sink-inputs"})) {
            const QStringList fields = line.split('\t');
            if (fields.size() > 1) return sinkNames[fields[1].toStdString()];
        }
        return {};
    }
    // Waits up to `ms` for the stream to play on `sink`.
    bool WaitForStreamOn(const std::string& sink, int ms) const {
        return QTest::qWaitFor([&] { return SinkOfStream() == sink; }, ms);
    }

    std::pair<int, std::string> Pactl(const QStringList& arguments) const {
        QProcess pactl;
        pactl.start("pactl", arguments);
        if (!pactl.waitForFinished(10000)) return {-1, {}};
        return {pactl.exitCode(), pactl.readAllStandardOutput().toStdString()};
    }

private:
    QStringList Lines(const QStringList& arguments) const {
        return QString::fromStdString(Pactl(arguments).second).split('\n', Qt::SkipEmptyParts);
    }

    QTemporaryDir m_dir;
    std::string m_socket;
    ScopedEnv m_server;
    ScopedEnv m_driver;
    QProcess m_process;
    std::map<std::string, QString> m_modules;
    bool m_bRunning = false;
};

}  // namespace testenv
