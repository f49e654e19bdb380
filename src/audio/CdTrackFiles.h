// The folders of track files that let the open dialog, its preview and the rip dialog handle CD
// tracks as files: for each drive holding a disc, `<runtime>/<device name>/Track01.cda` ... one
// small text file per audio track naming the drive and the track (the format the audio layer's
// CD_StreamCreateFile reads). The runtime folder is $XDG_RUNTIME_DIR/quorvel/cd, else
// `<temporary folder>/quorvel-<uid>/cd`; it is private to the user (mode 0700).
#pragma once

#include <string>
#include <vector>

#include "audio/Audio.h"

// The runtime folder, created when missing; "" when it cannot be made or is not safely ours (a
// shared temporary folder where someone else owns the name, or it is not a real folder).
std::string CdRuntimeFolder();

// The folder of drive `drive`'s track files: the runtime folder and the device with every '/'
// made '_' (e.g. ".../cd/_dev_sr0"). "" past the last drive or without a runtime folder. The
// drive is released.
std::string CdTrackFolder(audio::DWORD drive);

// The path of track `number` (counted from 1) of drive `drive`: its folder, "/" and
// "Track%02d.cda". "" when there is no folder.
std::string CdTrackFilePath(audio::DWORD drive, int number);

struct CdTrackFolderEntry {
    audio::DWORD drive = 0;
    std::string device;
    std::string folder;
};

// Writes the track files of every drive of the list that holds a disc, one per audio track
// (data tracks get none, so numbers can have gaps), and removes the track files of tracks, discs
// and drives no longer there. Each drive is read afresh and released afterwards. Returns the
// folders of the drives with a disc, in drive order.
std::vector<CdTrackFolderEntry> RefreshCdTrackFolders();
