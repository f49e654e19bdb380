#include "ui/WorkWhileResponsive.h"

#include <QEventLoop>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace ui {

namespace {

// Below this the window could not have shown a stall anyway, and the caller runs exactly as a
// plain call, without events in between.
constexpr std::chrono::milliseconds kGrace{10};

}  // namespace

void WorkWhileResponsive(const std::function<void()>& work) {
    QEventLoop loop;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::exception_ptr failure;

    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        {
            const std::lock_guard lock(mutex);
            done = true;
        }
        finished.notify_all();
        // Queued: delivered by the loop below once it runs, or dropped with it if it never does.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });

    std::unique_lock lock(mutex);
    if (!finished.wait_for(lock, kGrace, [&] { return done; })) {
        lock.unlock();
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    } else {
        lock.unlock();
    }
    worker.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace ui
