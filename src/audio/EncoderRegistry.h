// The live encoders fed by channels, by handle. An encoder's handle is one of its channel's item
// handles; the encoder itself may outlive the channel (unless started with ENCODE_AUTOFREE), so
// this registry, not the channel, keeps it.
//
// Lock order: a channel's lock, then the registry's, then an encoder's. The registry's lock is
// never held while a channel is locked or an encoder works.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "audio/Channel.h"
#include "audio/Encoder.h"

namespace audio::detail {

class EncoderRegistry {
public:
    struct Entry {
        HENCODE handle = 0;
        DWORD channel = 0;  // handle of the channel it was started on
        DWORD flags = 0;
        std::shared_ptr<Encoder> encoder;
        std::weak_ptr<Channel> owner;
    };

    static EncoderRegistry& Get();

    // Registers `encoder` on `channel` (locked by the caller, and still registered with the
    // system) and, unless ENCODE_PAUSE, taps every buffer the channel produces into it.
    HENCODE Add(const ChannelPtr& channel, std::shared_ptr<Encoder> encoder, DWORD flags);

    // The encoder `handle`, or every encoder started on the channel `handle`.
    std::vector<Entry> Find(DWORD handle);

    // Unregisters the encoders that Find(handle) gives and finishes them. False when there was
    // none; `allDelivered` tells whether every one of them completed its output.
    bool Stop(DWORD handle, bool& allDelivered);

    // The channel is being freed: its ENCODE_AUTOFREE encoders are finished; the others lose
    // their tap and live on, fed by Encode_Write alone.
    void ChannelRemoved(const ChannelPtr& channel);

    // Finishes every encoder (the system is being freed).
    void StopAll();

private:
    EncoderRegistry() = default;
    // Takes the encoders off their channels and finishes them.
    static bool Finish(const std::vector<Entry>& entries);

    std::mutex m_mutex;
    std::vector<Entry> m_entries;
};

}  // namespace audio::detail
