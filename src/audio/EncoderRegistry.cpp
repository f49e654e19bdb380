#include "audio/EncoderRegistry.h"

#include <algorithm>

#include "audio/AudioSystem.h"

namespace audio::detail {

EncoderRegistry& EncoderRegistry::Get() {
    static EncoderRegistry registry;
    return registry;
}

HENCODE EncoderRegistry::Add(const ChannelPtr& channel, std::shared_ptr<Encoder> encoder,
                             DWORD flags) {
    const HENCODE handle = AudioSystem::Get().NewItemHandle(channel);
    if (!(flags & ENCODE_PAUSE)) {
        const int frameBytes = channel->FrameBytes();
        channel->Chain().AddTap(
            handle, [encoder, frameBytes](const std::int16_t* samples, int frames) {
                // A dead encoder is reported to whoever asks (Encode_IsActive, Encode_Write); the
                // channel keeps playing or decoding.
                encoder->Write(samples, static_cast<std::size_t>(frames) * frameBytes);
            });
    }
    std::lock_guard lock(m_mutex);
    m_entries.push_back({handle, channel->Handle(), flags, std::move(encoder), channel});
    return handle;
}

std::vector<EncoderRegistry::Entry> EncoderRegistry::Find(DWORD handle) {
    std::lock_guard lock(m_mutex);
    std::vector<Entry> found;
    for (const Entry& e : m_entries)
        if (e.handle == handle) return {e};
    for (const Entry& e : m_entries)
        if (e.channel == handle) found.push_back(e);
    return found;
}

bool EncoderRegistry::Stop(DWORD handle, bool& allDelivered) {
    std::vector<Entry> taken;
    {
        std::lock_guard lock(m_mutex);
        const bool isEncoder = std::any_of(m_entries.begin(), m_entries.end(),
                                           [&](const Entry& e) { return e.handle == handle; });
        auto matches = [&](const Entry& e) {
            return isEncoder ? e.handle == handle : e.channel == handle;
        };
        std::copy_if(m_entries.begin(), m_entries.end(), std::back_inserter(taken), matches);
        std::erase_if(m_entries, matches);
    }
    allDelivered = Finish(taken);
    return !taken.empty();
}

void EncoderRegistry::ChannelRemoved(const ChannelPtr& channel) {
    std::vector<Entry> autoFree;
    {
        // Holding the channel's lock orders this after any Add that found the channel still
        // registered, so no encoder is left attached to a freed channel.
        std::lock_guard channelLock(channel->Mutex());
        std::lock_guard lock(m_mutex);
        for (const Entry& e : m_entries) {
            if (e.channel != channel->Handle()) continue;
            channel->Chain().RemoveTap(e.handle);
            if (e.flags & ENCODE_AUTOFREE) autoFree.push_back(e);
        }
        std::erase_if(m_entries, [&](const Entry& e) {
            return e.channel == channel->Handle() && (e.flags & ENCODE_AUTOFREE);
        });
    }
    Finish(autoFree);
}

void EncoderRegistry::StopAll() {
    std::vector<Entry> taken;
    {
        std::lock_guard lock(m_mutex);
        taken.swap(m_entries);
    }
    Finish(taken);
}

bool EncoderRegistry::Finish(const std::vector<Entry>& entries) {
    bool allDelivered = true;
    for (const Entry& e : entries) {
        if (ChannelPtr channel = e.owner.lock()) {
            std::lock_guard channelLock(channel->Mutex());
            channel->Chain().RemoveTap(e.handle);
        }
        AudioSystem::Get().ForgetItem(e.handle);
        if (!e.encoder->Finish()) allDelivered = false;
    }
    return allDelivered;
}

}  // namespace audio::detail
