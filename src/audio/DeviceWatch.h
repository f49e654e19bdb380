// Keeps the output on the device the user chose while devices come and go: a device that
// disappears (a headset unplugged) gives way to the system's default within a second, without
// stopping what plays, and takes the output back when it returns.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace audio::detail {

class DeviceOutput;

class DeviceWatch {
public:
    static constexpr std::chrono::milliseconds kInterval{250};

    // Watches `output` (open, outliving the watch) on a thread of its own.
    explicit DeviceWatch(DeviceOutput& output);
    ~DeviceWatch();
    DeviceWatch(const DeviceWatch&) = delete;
    DeviceWatch& operator=(const DeviceWatch&) = delete;

    // Plays through the device named `name` ("" = the system's default) from now on, at once;
    // one the system does not list now is taken as the choice, the default playing until it
    // comes. Returns ERROR_OK, or ERROR_DEVICE when it cannot be opened (the output stays where
    // it is, and the choice is not taken).
    int Choose(const std::string& name);

private:
    void Run();
    // Looks once at the devices and moves the output where the choice says it belongs.
    void Check();

    DeviceOutput& m_output;
    std::mutex m_mutex;
    std::string m_strChosen;
    // The device list when the chosen device last failed to open: not tried again until it
    // changes.
    std::vector<std::string> m_namesAtFailure;
    std::condition_variable m_wake;
    bool m_bStop = false;
    std::thread m_thread;
};

}  // namespace audio::detail
