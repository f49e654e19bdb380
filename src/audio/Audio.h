// The audio layer's public interface: decoding, playback, tempo and pitch, DSP procedures,
// effects and syncs, behind 32-bit handles.
//
// Conventions every caller relies on:
//  - Handles are 32-bit; 0 means failure (or "none"). After a failed call, ErrorGetCode() on the
//    same thread tells why; read it right away, the next call overwrites it.
//  - Positions and lengths are bytes of 16-bit signed interleaved PCM at the channel's own sample
//    rate and channel count. A tempo stream counts in its SOURCE's bytes, whatever its tempo and
//    pitch. Positions handed out are always whole sample frames.
//  - A playing channel's position is the audio being heard now (output latency accounted).
//  - Reading a decoding channel (ChannelGetData, ChannelGetLevel) returns processed audio (its DSP
//    procedures and effects applied) and advances it.
//  - DSP procedures and effects run in priority order, higher first (equal priorities in the order
//    they were set), on every buffer before it is heard or read: on the layer's playback thread
//    (which prepares a playing channel's audio a few milliseconds before the mixer takes it) for
//    playing channels, on the reading thread for decoding channels.
//  - A SYNC_MIXTIME sync runs on the playback thread (or the reading thread of a decoding channel)
//    at the exact sample position, before any later audio of that channel is produced; a position
//    set from inside it continues without a gap (on a playing channel, crossfaded over
//    CONFIG_LOOP_CROSSFADE ms in what is heard). Other syncs are delivered later from a notifier
//    thread, once the mixer's output reaches the point where they occurred.
//  - Syncs, DSP procedures and effects die with their channel; a tempo stream created with
//    FX_FREESOURCE frees its source with it. Free() releases everything.
//
// Every function may be called from any thread, including from inside a DSP or sync procedure
// (a procedure must not free the channel it runs on).
//
// Encoders attach to a channel as a tap that receives every buffer the channel produces (unless
// started paused, when only Encode_Write feeds them). CD tracks are one more kind of channel,
// read from libcdio with paranoia's error correction.
#pragma once

#include <atomic>
#include <cstdint>

namespace audio {

using BOOL = int;
using DWORD = std::uint32_t;
using QWORD = std::uint64_t;

using HSTREAM = DWORD;  // a stream: decoded file, tempo stream
using HMUSIC = DWORD;   // a tracker module (plays and reads like a stream)
using HSYNC = DWORD;
using HDSP = DWORD;
using HFX = DWORD;
using HPLUGIN = DWORD;
using HENCODE = DWORD;    // an encoder fed by a channel and/or Encode_Write
using HWMENCODE = DWORD;  // a WMA file encoder

// Interface version 2.3 in the high word; the low word is this layer's own revision.
constexpr DWORD VERSION = 0x02030001;

// ---- Error codes (ErrorGetCode) ----
// The values that the player shows to users (-1, 1, 3, 6, 14, 21, 23) are fixed; the others are
// this layer's own.
constexpr int ERROR_OK = 0;
constexpr int ERROR_MEM = 1;       // out of memory
constexpr int ERROR_FILEOPEN = 2;  // the file could not be opened (missing, a directory, no access)
constexpr int ERROR_DRIVER = 3;    // no audio driver available
constexpr int ERROR_HANDLE = 5;    // not a valid handle (of the kind the call needs)
constexpr int ERROR_FORMAT = 6;    // sample format not supported (e.g. floating-point requested)
constexpr int ERROR_POSITION = 7;  // position outside the channel (or not yet reachable)
constexpr int ERROR_INIT = 8;      // Init has not been called successfully
constexpr int ERROR_NOCD = 12;     // no disc in the drive
constexpr int ERROR_CDTRACK = 13;  // no such track, or a data track
constexpr int ERROR_ALREADY = 14;  // already initialised
constexpr int ERROR_ILLTYPE = 19;  // unknown sync, effect or option type
constexpr int ERROR_ILLPARAM = 20;  // an argument is out of range
constexpr int ERROR_NO3D = 21;      // (kept for its number; this layer never reports it)
constexpr int ERROR_DEVICE = 23;    // no such output device / it could not be opened
constexpr int ERROR_NOPLAY = 24;    // the channel is not playing
constexpr int ERROR_CREATE = 33;    // a file could not be created (encoders)
constexpr int ERROR_NOTAVAIL = 37;  // not available for this kind of channel
constexpr int ERROR_DECODE = 38;    // the channel is a decoding channel (it cannot be played)
constexpr int ERROR_FILEFORM = 41;  // the file's format is not recognised or it holds no audio
constexpr int ERROR_CODEC = 44;     // the file's codec cannot be decoded
constexpr int ERROR_ENDED = 45;     // a decoding channel has reached its end; an encoder has died
constexpr int ERROR_WMA_CODEC = 1003;       // the WMA encoder refuses these settings
constexpr int ERROR_ACM_CANCEL = 2000;      // the format chooser was cancelled
constexpr int ERROR_OPEN_CANCELLED = 2001;  // an opening was called off (SetOpenCancelFlag)
constexpr int ERROR_UNKNOWN = -1;

// ---- Stream and sample flags ----
constexpr DWORD SAMPLE_8BITS = 0x1;        // never produced: output is always 16-bit
constexpr DWORD SAMPLE_MONO = 0x2;         // ignored: output keeps the file's channel count
constexpr DWORD SAMPLE_FLOAT = 0x100;      // refused with ERROR_FORMAT
constexpr DWORD STREAM_DECODE = 0x200000;  // a decoder read by the caller, never played
// With STREAM_DECODE, for a caller that reads the file through: it is decoded ahead of the
// reader on a thread of its own (a few seconds at most), so that the reader's own work on each
// block runs beside the decoding. What the reader gets is the same; ignored for a played stream.
constexpr DWORD STREAM_READAHEAD = 0x400000;
constexpr DWORD MUSIC_DECODE = STREAM_DECODE;
constexpr DWORD FX_FREESOURCE =
    0x10000;  // FX_TempoCreate: freeing the tempo stream frees its source

// ---- ChannelIsActive results ----
constexpr DWORD ACTIVE_STOPPED = 0;
constexpr DWORD ACTIVE_PLAYING = 1;
constexpr DWORD ACTIVE_STALLED = 2;  // (never reported: the playback thread decodes ahead)
constexpr DWORD ACTIVE_PAUSED = 3;

// ---- Sync types (ChannelSetSync) ----
constexpr DWORD SYNC_POS = 0;               // param: byte position in the channel's own bytes
constexpr DWORD SYNC_END = 2;               // the channel's data has run out; param unused
constexpr DWORD SYNC_ONETIME = 0x80000000;  // flag: remove the sync after it has fired once
constexpr DWORD SYNC_MIXTIME = 0x40000000;  // flag: run on the playback thread at the exact sample

// ---- Effects (ChannelSetFX) ----
constexpr DWORD FX_PARAMEQ = 7;  // peaking equaliser band, parameters in FXPARAMEQ

struct FXPARAMEQ {
    float fCenter;     // centre frequency in Hz (clamped below half the channel's sample rate)
    float fBandwidth;  // bandwidth in semitones (1..36)
    float fGain;       // gain at the centre in dB (-15..+15)
};

// ---- Tempo options (FX_TempoSetOption), passed to the time-stretcher's settings ----
constexpr DWORD FX_TEMPO_OPTION_USE_AA_FILTER = 0;
constexpr DWORD FX_TEMPO_OPTION_AA_FILTER_LENGTH = 1;
constexpr DWORD FX_TEMPO_OPTION_USE_QUICKALGO = 2;
constexpr DWORD FX_TEMPO_OPTION_SEQUENCE_MS = 3;
constexpr DWORD FX_TEMPO_OPTION_SEEKWINDOW_MS = 4;
constexpr DWORD FX_TEMPO_OPTION_OVERLAP_MS = 5;

// ---- Channel types (CHANNELINFO::ctype) ----
constexpr DWORD CTYPE_STREAM = 0x10000;  // decoded by the general file decoder, or a STREAMPROC's
constexpr DWORD CTYPE_STREAM_OGG = 0x10002;
constexpr DWORD CTYPE_STREAM_MP1 = 0x10003;
constexpr DWORD CTYPE_STREAM_MP2 = 0x10004;
constexpr DWORD CTYPE_STREAM_MP3 = 0x10005;
constexpr DWORD CTYPE_STREAM_AIFF = 0x10006;
constexpr DWORD CTYPE_STREAM_FLAC = 0x10900;
constexpr DWORD CTYPE_STREAM_OPUS = 0x11200;
constexpr DWORD CTYPE_STREAM_AAC = 0x10b00;
constexpr DWORD CTYPE_STREAM_MP4 = 0x10b01;
constexpr DWORD CTYPE_STREAM_WMA = 0x10300;
constexpr DWORD CTYPE_STREAM_TEMPO = 0x1f200;
constexpr DWORD CTYPE_STREAM_CD = 0x10200;
constexpr DWORD CTYPE_MUSIC_MOD = 0x20000;
constexpr DWORD CTYPE_STREAM_WAV_PCM = 0x50001;

struct CHANNELINFO {
    DWORD freq;      // sample rate in Hz (the channel's own, before playback resampling)
    DWORD chans;     // channel count
    DWORD flags;     // STREAM_DECODE, FX_FREESOURCE ... as created (SAMPLE_8BITS is never set)
    DWORD ctype;     // CTYPE_...
    DWORD origres;   // resolution of the source in bits (16 for PCM16, 24 ..., 0 for lossy codecs)
    HPLUGIN plugin;  // always 0: every format is built in
    const char* filename;  // the file's path (valid while the channel lives), or nullptr
};

// ---- Configuration (SetConfig / GetConfig) ----
// How far ahead of the device the mixer renders, in milliseconds (default 25, 5..1000). The output
// latency is this plus the device's own buffer (about 12 ms); a change of a DSP procedure or an
// effect is heard after up to two more mixer blocks (12 ms), which the playback thread keeps
// ready. Seeks, tempo, pitch and rate changes, pauses and stops take back those blocks. Tests
// that capture the output under heavy machine load raise it so that no block arrives late.
constexpr DWORD CONFIG_BUFFER = 0;
// The crossfade at a loop join, in milliseconds (default 5, 0..50; 0 = a hard cut): when a mix-time
// sync sets its channel's position, the audio that would have followed fades out under the audio
// from the new position (equal power). Only what is heard is blended: positions and syncs stay
// exact, and a decoding channel read by the caller gives the exact samples.
constexpr DWORD CONFIG_LOOP_CROSSFADE = 0x10000;
// The time-stretch engine of the tempo streams created from now on (STRETCHER_..., default
// STRETCHER_SOUNDTOUCH); streams already created keep theirs. ERROR_ILLPARAM for another value.
constexpr DWORD CONFIG_STRETCHER = 0x10001;
constexpr DWORD STRETCHER_SOUNDTOUCH = 0;  // the FX_TEMPO_OPTION_... are its own settings
constexpr DWORD STRETCHER_FINER = 1;       // Rubber Band's R3 engine: the cleanest, the dearest
constexpr DWORD STRETCHER_FASTER = 2;      // Rubber Band's R2 engine: crisp attacks, cheap

// Procedure types. `user` is the value given when the procedure was set.
using SYNCPROC = void(HSYNC handle, DWORD channel, DWORD data, void* user);
// buffer: 16-bit interleaved samples at the channel's rate and channel count, processed in place.
using DSPPROC = void(HDSP handle, DWORD channel, void* buffer, DWORD length, void* user);
// Fills `buffer` with up to `length` bytes of the stream's 16-bit interleaved samples (whole
// frames) and returns how many it wrote, with STREAMPROC_END added once the stream has nothing
// more.
using STREAMPROC = DWORD(HSTREAM handle, void* buffer, DWORD length, void* user);
constexpr DWORD STREAMPROC_END = 0x80000000;

// ======================= Device =======================

// VERSION: 0x0203 in the high word.
DWORD GetVersion();

// Opens the output device: `device` -1 (or 1) is the default device, n > 1 the (n-1)th output
// device; 44100 Hz stereo 16-bit. `flags`, `win` and `clsid` are accepted and unused.
// Errors: ERROR_ALREADY (second Init), ERROR_DRIVER (no audio driver), ERROR_DEVICE (no such
// device or it cannot be opened), ERROR_ILLPARAM (freq outside 8000..192000).
BOOL Init(int device, DWORD freq, DWORD flags, void* win, const void* clsid);

// Stops output and frees the device with every stream, sync, DSP and effect still alive.
// Afterwards Init may be called again. ERROR_INIT when not initialised.
BOOL Free();

// An output device as the system lists it now.
struct DEVICEINFO {
    char name[256];  // UTF-8, cut to fit
    DWORD flags;     // DEVICE_INIT: the output plays through it now
};
constexpr DWORD DEVICE_INIT = 4;

// Output device `device`, numbered as Init numbers them: 2 is the system's first (1, the
// default, has no name of its own). False with ERROR_DEVICE past the last, ERROR_INIT before
// Init. The list follows devices coming and going.
BOOL GetDeviceInfo(DWORD device, DEVICEINFO* info);

// Plays through the output device named `name` (null or "": the system's default) from now
// on: the output moves at once, and the playing channels go on where they are. While the
// device is gone from the system (a headset unplugged), the default plays instead, within a
// second and without stopping anything, until it returns; a device the system does not list now
// is taken the same way. ERROR_INIT; ERROR_DEVICE when it cannot be opened (the output stays
// where it was).
BOOL SetOutputDevice(const char* name);

// The error code of the last failed call of this thread (ERROR_OK after a successful one).
int ErrorGetCode();

// Every format is built in; this accepts the names of the decoder plug-ins the player loads at
// start-up (a file name whose stem ends in "aac" or "wma", e.g. "xyz_aac.dll", "xyzwma.dll") and
// returns a non-zero handle. Other names: 0 with ERROR_FILEOPEN.
HPLUGIN PluginLoad(const char* file, DWORD flags);

BOOL SetConfig(DWORD option, DWORD value);
DWORD GetConfig(DWORD option);  // (DWORD)-1 with ERROR_ILLTYPE for an unknown option

// ======================= Streams =======================

// Opens a file stream. `mem` must be false (memory streams are not supported: ERROR_ILLPARAM);
// `file` is a UTF-8 path; `offset` and `length` must be 0. Flags: STREAM_DECODE for a decoder,
// otherwise a playable stream (needs Init: ERROR_INIT). Decoders work without Init.
// Formats: WAV, AIFF, MP3, MP2, MP1, OGG Vorbis, FLAC, Opus, AAC (ADTS), MP4/M4A, WMA and anything
// else the decoding library reads, including tracker modules. Output: 16-bit interleaved at the
// file's own rate and channel count, exact length, sample-accurate seeking.
// Errors: ERROR_FILEOPEN, ERROR_FILEFORM (not audio / no audio stream), ERROR_CODEC, ERROR_FORMAT,
// ERROR_MEM.
HSTREAM StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags);

// The same, accepting only MP4-family containers (MP4, M4A, M4B, MOV, 3GP): ERROR_FILEFORM for
// anything else.
HSTREAM MP4_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags);

// The same, accepting only ASF containers (WMA): ERROR_FILEFORM for anything else.
HSTREAM WMA_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags);

// Opens a tracker module (MOD, S3M, XM, IT ...). `length` must be 0; MUSIC_DECODE makes a decoder;
// `freq` is ignored (the module renders at 44100 Hz stereo). ERROR_FILEFORM when the file is not a
// module or module support is missing.
HMUSIC MusicLoad(BOOL mem, const void* file, QWORD offset, DWORD length, DWORD flags, DWORD freq);

// Lets another thread call off the openings that the calling thread makes from now on
// (StreamCreateFile and its kin, MusicLoad): once `*cancel` turns true, an opening under way
// gives up within a few packets, returning 0 with ERROR_OPEN_CANCELLED, and so does every later
// one until the flag is false again. Opening a long file reads it through once, which takes a
// while; a background reader that is no longer wanted need not wait for that. nullptr: no flag.
// The flag must outlive the openings that read it.
void SetOpenCancelFlag(const std::atomic<bool>* cancel);

// Creates a decoding stream whose samples `proc` supplies (on the thread reading the stream, with
// the stream's lock held): `freq` Hz (1000..384000), `chans` channels (1..8). Its DSP procedures
// and effects apply as on any channel, so a caller can run them on audio it produced elsewhere.
// Its position and length are the bytes it has produced; it cannot seek elsewhere. A count
// above the length asked for ends the stream; a partial frame is dropped; 0 without
// STREAMPROC_END gives a short read. Flags: STREAM_DECODE is required (ERROR_NOTAVAIL without).
// Errors: ERROR_ILLPARAM (no procedure, `freq` or `chans` out of range), ERROR_NOTAVAIL.
HSTREAM StreamCreate(DWORD freq, DWORD chans, DWORD flags, STREAMPROC* proc, void* user);

// Frees a stream (or module) with its syncs, DSPs and effects; a tempo stream with FX_FREESOURCE
// frees its source too. The source of a live tempo stream cannot be freed on its own
// (ERROR_NOTAVAIL): free the tempo stream first.
BOOL StreamFree(HSTREAM handle);
BOOL MusicFree(HMUSIC handle);

// ======================= Tempo =======================

// Creates a tempo stream over a DECODING channel `source`, with the stretch engine that
// CONFIG_STRETCHER names now. Flags: FX_FREESOURCE, STREAM_DECODE (a decoder; otherwise
// playable, which needs Init). The source is taken over: it must not be read by anyone else.
// Positions, lengths and POS syncs of the tempo stream are in the source's bytes.
// ERROR_HANDLE (bad source), ERROR_DECODE (source is not a decoding channel), ERROR_ALREADY
// (source already has a tempo stream).
HSTREAM FX_TempoCreate(DWORD source, DWORD flags);

// tempo: percent change of speed (-95..+5000, 0 = normal; the player's tempo slider sends
// -95..+300); samplerate: playback rate in Hz of the source audio (changes speed and pitch
// together; 0 = unchanged; kept within 1/20..20 times the source's rate); pitch: semitones
// (-60..+60, fractions allowed; the pitch slider sends -24..+24). -100 for tempo or pitch leaves
// that value unchanged. ERROR_ILLPARAM (tempo or pitch outside its range, negative samplerate),
// ERROR_HANDLE (not a tempo stream).
BOOL FX_TempoSet(HSTREAM handle, float tempo, float samplerate, float pitch);
BOOL FX_TempoGet(HSTREAM handle, float* tempo, float* samplerate, float* pitch);

// Sets one time-stretching option (FX_TEMPO_OPTION_...); a value the stream's engine cannot take
// is brought into its range. ERROR_ILLTYPE (an option the engine does not have).
BOOL FX_TempoSetOption(HSTREAM handle, DWORD option, DWORD value);

// Changes the time-stretch engine of a tempo stream (STRETCHER_...), keeping its position, its
// settings and the audio it holds: a playing stream goes on from where it is heard after the new
// engine's start-up. ERROR_HANDLE (not a tempo stream), ERROR_ILLPARAM (an unknown engine).
BOOL FX_TempoSetStretcher(HSTREAM handle, DWORD stretcher);

// The source channel of a tempo stream (0 with ERROR_HANDLE otherwise).
DWORD FX_TempoGetSource(HSTREAM handle);

// From inside a mix-time sync of a playing tempo stream that has just moved its position (a
// loop's jump): the pass before the jump ends where it left, without a join, and the stream
// holds for `beats` beats of `beatSeconds` as heard while a click sounds on each (the first
// accented), mixed in after the stream's DSPs and effects; the new position sounds one beat after
// the last click, with the stretcher started afresh there. Call it before a tempo set of the same
// jump, so that the pass before ends at its own tempo. Positions, syncs and the loop are not
// moved by the hold: the position reads as where the jump landed until it ends. A position set,
// a stop or a tempo change while it runs ends it. ERROR_HANDLE (not a tempo stream),
// ERROR_DECODE (a decoding stream: nothing it writes ever holds clicks), ERROR_ILLPARAM (beats
// outside 1..16, a beat outside 0.05..10 s), ERROR_NOTAVAIL (not inside a mix-time sync).
BOOL FX_TempoCountIn(HSTREAM handle, DWORD beats, double beatSeconds);

// ======================= Channels =======================

// Starts or resumes playback. restart = true also moves to the beginning. A decoding channel
// cannot be played (ERROR_DECODE). Playing an already playing channel succeeds and changes nothing.
BOOL ChannelPlay(DWORD handle, BOOL restart);
// Halts playback keeping the position; ERROR_NOPLAY when not playing.
BOOL ChannelPause(DWORD handle);
// Halts playback (position kept, as after Pause; a decoding channel is unaffected).
BOOL ChannelStop(DWORD handle);
// ACTIVE_STOPPED/PLAYING/PAUSED. A decoding channel is PLAYING until it has reached its end.
// Returns ACTIVE_STOPPED with ERROR_HANDLE for a bad handle.
DWORD ChannelIsActive(DWORD handle);

// Current byte position; (QWORD)-1 with ERROR_HANDLE on failure.
QWORD ChannelGetPosition(DWORD handle);
// Sets the byte position (rounded down to a whole frame); the next audio produced comes from
// there. Positions beyond the length: FALSE with ERROR_POSITION (the position stays). The length
// itself is allowed (the channel is then at its end).
BOOL ChannelSetPosition(DWORD handle, QWORD pos);
// Names the byte position that a mix-time sync of the channel will set (a loop's start): the
// layer keeps the audio there decoded ahead, so that the jump costs no seek. Nothing else
// changes; a jump elsewhere seeks as usual. Beyond the length: FALSE with ERROR_POSITION.
BOOL ChannelSetJumpTarget(DWORD handle, QWORD pos);
// Length in bytes (exact); (QWORD)-1 with ERROR_HANDLE on failure.
QWORD ChannelGetLength(DWORD handle);
double ChannelBytes2Seconds(DWORD handle, QWORD pos);  // negative with ERROR_HANDLE on failure
QWORD ChannelSeconds2Bytes(DWORD handle, double pos);  // whole frames; (QWORD)-1 on failure

// Decoding channels: reads up to `length` bytes (rounded down to whole frames) of processed audio
// into `buffer` and advances; returns the byte count, or (DWORD)-1 with ERROR_ENDED once the end
// has been reached. Playing channels: ERROR_NOTAVAIL.
DWORD ChannelGetData(DWORD handle, void* buffer, DWORD length);

// Peak levels of the next 20 ms (decoding channels: read and advance past them) or of the last
// 20 ms heard (playing channels): left in the low word, right in the high word, each 0..32768
// (mono: both the same). (DWORD)-1 on failure or at the end.
DWORD ChannelGetLevel(DWORD handle);

BOOL ChannelGetInfo(DWORD handle, CHANNELINFO* info);

// freq: playback sample rate in Hz (100..192000; -1 or 0 unchanged); volume 0..100 (-1
// unchanged); pan -100 (left) .. +100 (right) (-101 unchanged). Heard within a few milliseconds.
BOOL ChannelSetAttributes(DWORD handle, int freq, int volume, int pan);
BOOL ChannelGetAttributes(DWORD handle, DWORD* freq, DWORD* volume, int* pan);

// Sets a DSP procedure: called with every buffer of the channel's 16-bit samples before it is
// heard or read. Returns its handle.
HDSP ChannelSetDSP(DWORD handle, DSPPROC* proc, void* user, int priority);
// Removes it; a DSP handle of 0 is harmless (FALSE with ERROR_HANDLE).
BOOL ChannelRemoveDSP(DWORD handle, HDSP dsp);

// Sets an effect (FX_PARAMEQ; others ERROR_ILLTYPE), flat until its parameters are set.
HFX ChannelSetFX(DWORD handle, DWORD type, int priority);
BOOL ChannelRemoveFX(DWORD handle, HFX fx);
// FX_PARAMEQ: params points to a FXPARAMEQ. Changes are heard within a few milliseconds.
BOOL FXSetParameters(HFX handle, const void* params);
BOOL FXGetParameters(HFX handle, void* params);

// Sets a sync: SYNC_POS (param = byte position) or SYNC_END, optionally | SYNC_MIXTIME and
// | SYNC_ONETIME. `data` passed to the procedure is 0.
HSYNC ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC* proc, void* user);
// Removes it; a sync handle of 0 is harmless (FALSE with ERROR_HANDLE).
BOOL ChannelRemoveSync(DWORD handle, HSYNC sync);

// ======================= Encoding =======================

constexpr DWORD ENCODE_NOHEAD = 0x1;        // the encoder gets no WAVE header before the PCM
constexpr DWORD ENCODE_PAUSE = 0x20;        // started paused: only Encode_Write reaches it
constexpr DWORD ENCODE_AUTOFREE = 0x40000;  // stopped and freed with its channel

// The program's output is not handed back to the caller: ENCODEPROC must be null.
using ENCODEPROC = void(HENCODE handle, DWORD channel, const void* buffer, DWORD length,
                        void* user);

// Starts `cmdline` as a process of its own (no shell: the line is split at blanks, double quotes
// group, a backslash inside quotes escapes '"' and '\\') and writes a WAVE header (unless
// ENCODE_NOHEAD; sizes 0, as for a stream of unknown length) and then the channel's PCM to its
// standard input. The program is looked for beside the running executable first, then in
// ../lib/quorvel/ from there (an installation's private programs), then on PATH; a name holding
// a '/' is a path. Its standard output and error are the player's. Unless paused, every buffer
// the channel produces is encoded as it is read or played (on the thread that reads or renders
// it, so a slow program slows that channel). A program that exits early never takes the player
// down with SIGPIPE: its encoder just stops accepting data (Encode_Write, Encode_IsActive).
// Errors: ERROR_HANDLE, ERROR_FILEOPEN (the program cannot be found or started),
// ERROR_ILLPARAM (proc not null, no program in the line, a quote left open).
HENCODE Encode_Start(DWORD handle, const char* cmdline, DWORD flags, ENCODEPROC* proc, void* user);

// Hands `length` bytes of PCM (the channel's format) to the encoder, or to every encoder of a
// channel; any byte count (a partial sample frame waits for the rest). FALSE with ERROR_ENDED once
// the program has exited, has taken nothing for 30 s, or the file cannot be written; ERROR_HANDLE
// when the handle is neither an encoder nor a channel with encoders.
BOOL Encode_Write(DWORD handle, const void* buffer, DWORD length);

// Finishes an encoder (or every encoder of a channel): an external program's input is closed and
// the program waited for until it has written its file (killed after 30 s); an MP3 file is
// flushed and closed. The handle is freed in every case; FALSE with ERROR_ENDED when some output
// did not arrive complete (the program died, failed or was killed, a write failed), ERROR_HANDLE
// as for Encode_Write.
BOOL Encode_Stop(DWORD handle);

// TRUE while the encoder (or one of the channel's) is alive and its program has not exited;
// FALSE with ERROR_HANDLE once it has been stopped.
DWORD Encode_IsActive(DWORD handle);

// Formats as the MP3 format chooser lists them and hands them back (WAVEFORMATEX followed by
// the MPEG Layer-3 fields, packed as on disk).
#pragma pack(push, 1)
struct WAVEFORMATEX {
    std::uint16_t wFormatTag;
    std::uint16_t nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    std::uint16_t nBlockAlign;
    std::uint16_t wBitsPerSample;
    std::uint16_t cbSize;  // bytes of format-specific data after this structure
};
struct MPEGLAYER3WAVEFORMAT {
    WAVEFORMATEX wfx;
    std::uint16_t wID;
    DWORD fdwFlags;
    std::uint16_t nBlockSize;
    std::uint16_t nFramesPerBlock;
    std::uint16_t nCodecDelay;
};
#pragma pack(pop)
constexpr std::uint16_t WAVE_FORMAT_MPEGLAYER3 = 0x0055;
constexpr DWORD ACM_CHANS = 0x4;  // Encode_GetACMFormat: only formats with the channel's count

// One entry of the chooser's list.
struct ACMFORMATCHOICE {
    DWORD freq;     // sample rate of the MP3 in Hz
    DWORD chans;    // 1 or 2
    DWORD bitrate;  // bits per second (constant)
};
// The format chooser: shows `formats` (in the order given) for a stream of `sourceFreq` Hz under
// `title` (null: the default title) and returns the index chosen, or -1 when cancelled. The
// player installs its dialog here, so that this layer stays free of any toolkit.
using ACMCHOOSERPROC = int(const char* title, const ACMFORMATCHOICE* formats, int count,
                           DWORD sourceFreq, void* user);
void Encode_SetACMChooser(ACMCHOOSERPROC* proc, void* user);

// formlen 0: returns the largest format size (no chooser shown). Otherwise shows the chooser
// with the MPEG Layer-3 formats (format tag in the high word of `flags`: 0 or 0x55) for the
// channel's channel count (ACM_CHANS; without it mono and stereo), ordered by rate, then bitrate,
// fills `form` and returns the bytes used; 0 when cancelled (ERROR_ACM_CANCEL), when no chooser is
// installed or nothing fits (ERROR_NOTAVAIL), for a bad handle (ERROR_HANDLE), or for a buffer
// smaller than the format (ERROR_ILLPARAM).
DWORD Encode_GetACMFormat(DWORD handle, void* form, DWORD formlen, const char* title, DWORD flags);

// An MP3 encoder (LAME) on the channel writing to `file`: with ENCODE_NOHEAD only MPEG Layer-3
// frames (constant bitrate, no info frame, no tag), otherwise inside a WAVE file whose "fmt "
// chunk is the format. The channel's PCM (mono or stereo) is resampled to the format's rate and
// mixed down or doubled to its channel count. Flags as Encode_Start. Errors: ERROR_HANDLE,
// ERROR_CODEC (not an MPEG Layer-3 format LAME can make, or a source of more than 2 channels),
// ERROR_CREATE (the file cannot be created).
HENCODE Encode_StartACMFile(DWORD handle, const void* form, DWORD flags, const char* file);

// ---- WMA (FFmpeg's WMA version 2 encoder in an ASF file) ----
constexpr DWORD WMA_ENCODE_STANDARD = 0x2000;

// The constant bitrates (bits per second) the encoder makes for that rate and channel count,
// highest first, ending with a 0 entry; null (ERROR_NOTAVAIL) when none (rates other than 22050,
// 32000, 44100 and 48000 Hz; more than 2 channels). The list stays valid for good.
const DWORD* WMA_EncodeGetRates(DWORD freq, DWORD chans, DWORD flags);
// An encoder writing an ASF file that expects 16-bit PCM at `freq` Hz with `chans` channels, at
// one of the bitrates WMA_EncodeGetRates lists. Errors: ERROR_WMA_CODEC (rate, channels or
// bitrate not supported), ERROR_CREATE. Free closes the encoders still open.
HWMENCODE WMA_EncodeOpenFile(DWORD freq, DWORD chans, DWORD flags, DWORD bitrate, const char* file);
// Any byte count (a partial sample frame waits for the rest). FALSE with ERROR_HANDLE, or
// ERROR_CREATE when the file cannot be written.
BOOL WMA_EncodeWrite(HWMENCODE handle, const void* buffer, DWORD length);
// Encodes what is left, writes the file's index and closes it; the handle is freed. FALSE with
// ERROR_CREATE when the file could not be completed, ERROR_HANDLE for a bad handle.
BOOL WMA_EncodeClose(HWMENCODE handle);

// ======================= CD =======================
// Drives are numbered from 0 in the order of the drive list: by default the devices and images
// named in the environment variable QUORVEL_CD_DRIVES (separated by ':'), else the CD drives
// libcdio finds (each once, by its real device name); or the list set with CD_SetDrives. CUE/BIN
// and TOC/BIN images stand in for drives with a disc; a path with nothing there is an empty drive.
// A drive's disc is opened at its first use and held until CD_Release (a held drive cannot be
// ejected); a drive found empty, or whose disc the drive reports changed, is looked at afresh.
//
// A track file ("Track01.cda") names one track in two lines of text, in either order:
//     device=/dev/sr0
//     track=1
// `device` exactly as the drive list has it, `track` counted from 1 (index + 1). At most 4 KiB.

struct CD_INFO {
    const char* device;  // "/dev/sr0", or the image's path (valid until the list changes)
    const char* label;   // CD-Text album title, else a data track's ISO 9660 volume label, else ""
                         // (valid until the list changes)
    BOOL hasDisc;
};

// Replaces the drive list with these devices or images (null or count 0: back to the default
// list, built again when next needed). Each entry stays a drive whether or not it holds a disc.
void CD_SetDrives(const char* const* devices, DWORD count);
// Reads the default list again, so that a drive plugged in since appears and one taken away goes
// (the drives after it move up; devices and labels handed out before are then no longer valid).
// Nothing changes when the list is the same, or when CD_SetDrives set it.
void CD_RescanDrives();
// FALSE with ERROR_ILLPARAM past the last drive. An empty drive: hasDisc FALSE, label "".
BOOL CD_GetInfo(DWORD drive, CD_INFO* info);
// Tracks on the disc, data tracks included; (DWORD)-1 with ERROR_NOCD (no disc) or
// ERROR_ILLPARAM (no such drive).
DWORD CD_GetTracks(DWORD drive);
// Bytes of 44 100 Hz 16-bit stereo in track `track` (from 0): its sectors × 2352. (DWORD)-1 with
// ERROR_CDTRACK for a data track or a track the disc does not have, ERROR_NOCD without a disc,
// ERROR_ILLPARAM past the last drive.
DWORD CD_GetTrackLength(DWORD drive, DWORD track);
// Lets go of the drive until it is used again; FALSE with ERROR_ILLPARAM past the last drive.
// Streams opened on it keep reading (each has a handle of its own).
BOOL CD_Release(DWORD drive);
// A stream of the track named by the track file at `file` (its content is checked, never
// trusted: only a drive of the list is ever opened): 16-bit 44 100 Hz stereo, CTYPE_STREAM_CD,
// exact length, sample-accurate seeking, read with paranoia's error correction; a sector that
// cannot be read after the retries is silence. Flags as StreamCreateFile. Errors:
// ERROR_FILEOPEN (missing, unreadable, not a regular file), ERROR_FILEFORM (not a track file, or
// it names no drive of the list), ERROR_NOCD, ERROR_CDTRACK (no such track, or a data track),
// ERROR_INIT, ERROR_FORMAT.
HSTREAM CD_StreamCreateFile(const char* file, DWORD flags);
// Bytes of a track stream read so far that could not be read after the retries and came out as
// silence (a part read twice counts twice); 0 for a whole read. (QWORD)-1 with ERROR_HANDLE when
// `handle` is not a track stream.
QWORD CD_StreamGetUnreadable(HSTREAM handle);

}  // namespace audio
