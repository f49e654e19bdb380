// Work on a thread of its own while the window's event loop goes on: timers and posted events run
// meanwhile, and the work's failure reaches the caller.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "ui/WorkWhileResponsive.h"

namespace {

TEST(WorkWhileResponsive, TimersAndPostedEventsRunWhileTheWorkWaitsForThem) {
    // The work can only end once the calling thread has run a timer and a posted call: a loop
    // that stood still would leave it waiting until its limit.
    std::mutex mutex;
    std::condition_variable changed;
    bool timerRan = false;
    bool postedRan = false;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const std::lock_guard lock(mutex);
        timerRan = true;
        changed.notify_all();
    });
    bool sawBoth = false;
    std::thread::id workThread;
    ui::WorkWhileResponsive([&] {
        workThread = std::this_thread::get_id();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [&] {
                const std::lock_guard lock(mutex);
                postedRan = true;
                changed.notify_all();
            },
            Qt::QueuedConnection);
        QMetaObject::invokeMethod(&timer, qOverload<>(&QTimer::start), Qt::QueuedConnection);
        std::unique_lock lock(mutex);
        sawBoth =
            changed.wait_for(lock, std::chrono::seconds(60), [&] { return timerRan && postedRan; });
    });
    EXPECT_TRUE(sawBoth);
    EXPECT_NE(workThread, std::this_thread::get_id());
}

TEST(WorkWhileResponsive, WhatTheWorkThrowsReachesTheCaller) {
    EXPECT_THROW(ui::WorkWhileResponsive([] { throw std::runtime_error("no file"); }),
                 std::runtime_error);
    // And again after a wait in the event loop.
    EXPECT_THROW(ui::WorkWhileResponsive([] {
                     std::this_thread::sleep_for(std::chrono::milliseconds(30));
                     throw std::invalid_argument("no file");
                 }),
                 std::invalid_argument);
}

}  // namespace
