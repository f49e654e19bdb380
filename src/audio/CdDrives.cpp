#include "audio/CdDrives.h"

#include <cdio/cdio.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace audio::detail {

std::vector<std::string> DefaultCdDevices() {
    std::vector<std::string> devices;
    if (const char* env = std::getenv("QUORVEL_CD_DRIVES"); env && *env) {
        const std::string list(env);
        std::size_t start = 0;
        while (start <= list.size()) {
            const std::size_t end = std::min(list.find(':', start), list.size());
            if (end > start) devices.push_back(list.substr(start, end - start));
            start = end + 1;
        }
        return devices;
    }
    QuietCdioLog();
    char** found = cdio_get_devices(DRIVER_DEVICE);
    if (!found) return devices;
    // /dev/cdrom and /dev/sr0 are often the same drive: list it once, by its real name.
    for (char** d = found; *d; ++d) {
        std::error_code ec;
        std::string name = std::filesystem::canonical(*d, ec).string();
        if (ec) name = *d;
        if (std::find(devices.begin(), devices.end(), name) == devices.end())
            devices.push_back(name);
    }
    cdio_free_device_list(found);
    return devices;
}

CdDrives& CdDrives::Get() {
    static CdDrives drives;
    return drives;
}

void CdDrives::Set(std::vector<std::string> devices) {
    std::lock_guard lock(m_mutex);
    m_drives.clear();
    for (std::string& d : devices) m_drives.push_back(Drive{std::move(d), nullptr, {}});
    m_bListed = !m_drives.empty();
    m_bSetByProgram = m_bListed;
}

void CdDrives::Rescan() {
    std::lock_guard lock(m_mutex);
    if (m_bSetByProgram) return;
    std::vector<std::string> devices = DefaultCdDevices();
    if (m_bListed &&
        std::equal(devices.begin(), devices.end(), m_drives.begin(), m_drives.end(),
                   [](const std::string& device, const Drive& d) { return device == d.device; }))
        return;
    m_drives.clear();
    for (std::string& d : devices) m_drives.push_back(Drive{std::move(d), nullptr, {}});
    m_bListed = true;
}

void CdDrives::EnsureList() {
    if (m_bListed) return;
    for (std::string& d : DefaultCdDevices()) m_drives.push_back(Drive{std::move(d), nullptr, {}});
    m_bListed = true;
}

std::size_t CdDrives::Count() {
    std::lock_guard lock(m_mutex);
    EnsureList();
    return m_drives.size();
}

std::string CdDrives::Device(std::size_t drive) {
    std::lock_guard lock(m_mutex);
    EnsureList();
    return drive < m_drives.size() ? m_drives[drive].device : std::string();
}

bool CdDrives::Contains(const std::string& device) {
    std::lock_guard lock(m_mutex);
    EnsureList();
    return std::any_of(m_drives.begin(), m_drives.end(),
                       [&](const Drive& d) { return d.device == device; });
}

CdDisc* CdDrives::Disc(std::size_t drive) {
    EnsureList();
    if (drive >= m_drives.size()) return nullptr;
    Drive& d = m_drives[drive];
    // An empty drive is asked again every time: a disc may have gone in since.
    if (d.disc && (!d.disc->HasDisc() || d.disc->MediaChanged())) d.disc.reset();
    if (!d.disc) d.disc = CdDisc::Open(d.device);
    return d.disc.get();
}

bool CdDrives::Info(std::size_t drive, const char*& device, const char*& label, bool& hasDisc) {
    std::lock_guard lock(m_mutex);
    CdDisc* disc = Disc(drive);
    if (!disc) return false;
    Drive& d = m_drives[drive];
    const std::string& now = disc->Label();
    if (d.labels.empty() || d.labels.back() != now) d.labels.push_back(now);
    device = d.device.c_str();
    label = d.labels.back().c_str();
    hasDisc = disc->HasDisc();
    return true;
}

bool CdDrives::Release(std::size_t drive) {
    std::lock_guard lock(m_mutex);
    EnsureList();
    if (drive >= m_drives.size()) return false;
    m_drives[drive].disc.reset();
    return true;
}

}  // namespace audio::detail
