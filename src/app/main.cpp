#include <QApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/QuorvelApp.h"
#include "app/SingleInstance.h"
#include "app/TerminationSignals.h"

namespace {

// A running player that is busy (saving, say) answers late; one that does not answer at all
// within this time is reported.
constexpr int kHandOverTimeoutMs = 30000;
constexpr int kStartLockTimeoutMs = 10000;

}  // namespace

int main(int argc, char** argv) {
    // Read before anything starts: --help and --version need neither a display nor a device.
    const CommandLine command = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (command.action) {
        case CommandLine::Action::Help:
            std::fputs(HelpText().c_str(), stdout);
            return 0;
        case CommandLine::Action::Version:
            std::fputs(VersionText().c_str(), stdout);
            return 0;
        case CommandLine::Action::Error:
            std::fprintf(stderr, "quorvel: %s\nTry 'quorvel --help' for more information.\n",
                         command.error.c_str());
            return 2;
        case CommandLine::Action::Run:
            break;
    }
    std::string file;
    if (!command.file.empty()) {
        file = AbsoluteFilePath(command.file, CurrentFolder());
        if (file.empty() || file[0] != '/') {
            std::fprintf(stderr, "quorvel: cannot tell where '%s' is: the working folder is gone\n",
                         command.file.c_str());
            return 1;
        }
    }

    // A running player takes the file; this start then has nothing more to do.
    const std::string socketPath = instance::SocketPath();
    instance::CStartLock lock(socketPath, kStartLockTimeoutMs);
    switch (instance::HandOver(socketPath, file, kHandOverTimeoutMs)) {
        case instance::HandOverResult::Delivered:
            return 0;
        case instance::HandOverResult::NoAnswer: {
            const std::string what = file.empty() ? "the request" : "'" + file + "'";
            std::fprintf(stderr,
                         "quorvel: the running player did not take %s; it may be busy, try again\n",
                         what.c_str());
            return 1;
        }
        case instance::HandOverResult::NoPlayer:
            break;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    QApplication::setApplicationVersion(QString::fromLatin1(ProgramVersion()));
    // Wayland compositors match the window to its desktop entry by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quorvel.Quorvel"));
    QuitOnTerminationSignals();
    CInstanceServer server;
    server.Listen(socketPath);  // without it this player still runs, on its own
    lock.Unlock();

    CQuorvelApp app;
    app.InitInstance(file, &server);
    return 0;
}
