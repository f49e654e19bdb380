#include "audio/DeviceWatch.h"

#include <algorithm>

#include "audio/Audio.h"
#include "audio/DeviceOutput.h"

namespace audio::detail {

DeviceWatch::DeviceWatch(DeviceOutput& output) : m_output(output) {
    m_thread = std::thread([this] { Run(); });
}

DeviceWatch::~DeviceWatch() {
    {
        std::lock_guard lock(m_mutex);
        m_bStop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

int DeviceWatch::Choose(const std::string& name) {
    std::lock_guard lock(m_mutex);
    const std::vector<std::string> names = DeviceOutput::DeviceNames();
    // A device not there now is the default until it comes.
    const bool there = name.empty() || std::ranges::count(names, name) > 0;
    const std::string target = there ? name : std::string();
    if (target != m_output.Name() || m_output.Lost()) {
        if (const int error = m_output.SwitchTo(target)) return error;
    }
    m_strChosen = name;
    m_namesAtFailure.clear();
    return ERROR_OK;
}

void DeviceWatch::Run() {
    std::unique_lock lock(m_mutex);
    while (!m_wake.wait_for(lock, kInterval, [this] { return m_bStop; })) {
        lock.unlock();
        Check();
        lock.lock();
    }
}

void DeviceWatch::Check() {
    const std::vector<std::string> names = DeviceOutput::DeviceNames();
    std::lock_guard lock(m_mutex);
    const bool chosenThere = m_strChosen.empty() || std::ranges::count(names, m_strChosen) > 0;
    const std::string target = chosenThere ? m_strChosen : std::string();
    // A device that is gone may not say so: a sound server moves its streams elsewhere itself.
    if (target == m_output.Name() && !m_output.Lost()) return;
    if (target == m_strChosen && !target.empty() && names == m_namesAtFailure) return;
    if (m_output.SwitchTo(target) != ERROR_OK && target == m_strChosen) m_namesAtFailure = names;
}

}  // namespace audio::detail
