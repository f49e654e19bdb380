#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "audio/Audio.h"

class QComboBox;

// The MP3 format chooser: the MPEG Layer-3 formats the encoder makes for a stream, each as its
// bitrate, sample rate and channels ("128 kbps, 44,100 Hz, Stereo"), in one list, as a codec's
// format chooser shows them. The entry preselected is 128 kbps at the stream's own rate (or the
// nearest rate offered).
class CMp3FormatDialog : public QDialog {
    Q_OBJECT
public:
    CMp3FormatDialog(const QString& title, const std::vector<audio::ACMFORMATCHOICE>& formats,
                     audio::DWORD sourceFreq, QWidget* owner);

    QComboBox* List() const { return m_pList; }
    // The entry chosen, -1 when none.
    int Chosen() const;

    static QString FormatText(const audio::ACMFORMATCHOICE& format);
    static int DefaultChoice(const std::vector<audio::ACMFORMATCHOICE>& formats,
                             audio::DWORD sourceFreq);

private:
    QComboBox* m_pList = nullptr;
};

// The question the chooser asks. The handler gets the dialog, made but not shown, and answers
// with the index of the chosen format, -1 for a cancellation.
struct Mp3FormatQuestion {
    using Answer = int;
    std::string title;
    std::vector<audio::ACMFORMATCHOICE> formats;
    audio::DWORD sourceFreq = 0;
    CMp3FormatDialog* dialog = nullptr;
};

// Makes the layer ask for MP3 formats with this dialog, over `owner` (the main window, which
// installs it again with null before it goes).
void InstallMp3FormatChooser(QWidget* owner);
