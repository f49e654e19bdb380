// The drive list behind the CD functions: the CD drives libcdio finds (or the devices and images
// of QUORVEL_CD_DRIVES, or a list the program sets), each with its disc opened on first use and
// kept until released.
#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "audio/CdDisc.h"

namespace audio::detail {

class CdDrives {
public:
    static CdDrives& Get();

    // Replaces the list; an empty list means the default one, built again when next needed.
    void Set(std::vector<std::string> devices);
    // Builds the default list again, unless the program set one; a list that has not changed
    // stays as it is (its discs and labels with it).
    void Rescan();
    std::size_t Count();
    // The device of drive `drive`, or "" past the end.
    std::string Device(std::size_t drive);
    bool Contains(const std::string& device);

    // Runs `use` with drive `drive`'s disc (opened now unless held since the last Release; a
    // changed disc is opened again). Returns false, without running it, past the end.
    template <typename Use>
    bool WithDisc(std::size_t drive, Use use) {
        std::lock_guard lock(m_mutex);
        CdDisc* disc = Disc(drive);
        if (!disc) return false;
        use(*disc, m_drives[drive].device);
        return true;
    }
    // Drive `drive`'s device and label, which stay valid until the list changes; false past the
    // end.
    bool Info(std::size_t drive, const char*& device, const char*& label, bool& hasDisc);
    // Closes the drive's disc so that it can be ejected; false past the end.
    bool Release(std::size_t drive);

private:
    CdDrives() = default;
    struct Drive {
        std::string device;
        std::unique_ptr<CdDisc> disc;
        std::deque<std::string> labels;  // every label handed out, so that none dangles
    };
    void EnsureList();                // with m_mutex held
    CdDisc* Disc(std::size_t drive);  // with m_mutex held

    std::mutex m_mutex;
    std::vector<Drive> m_drives;
    bool m_bListed = false;
    bool m_bSetByProgram = false;
};

// The default list: QUORVEL_CD_DRIVES (devices or images separated by ':') when it is set and
// not empty, else the CD drives libcdio finds, each drive once.
std::vector<std::string> DefaultCdDevices();

}  // namespace audio::detail
