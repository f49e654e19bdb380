#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "memory/SongMemory.h"
#include "ui/TemplateDialog.h"
#include "ui/ToolTipCtrl.h"

namespace ui {
class CListBox;
}  // namespace ui
class CPlaybackEngine;
class CQuorvelLoopPropertyPage;

// The practice page (dialog 317), a hidden child of the main window until the Practice button
// shows it in the equaliser page's place. It lists the song's named loops, each a loop region
// under a name of the user's: choosing one (a click, Page Down / Page Up, a digit 1 to 9) sets
// the loop region and brings playback into it. The buttons beside the list save the region into
// the chosen loop, make a new loop of it under a name asked for, and delete the chosen loop.
class CQuorvelPracticePage : public ui::CTemplateDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 317;
    static constexpr int IDC_LOOPS_FRAME = 509;
    static constexpr int IDC_LOOP_LIST = 750;
    static constexpr int IDC_LOOP_SAVE = 751;
    static constexpr int IDC_LOOP_CREATE = 752;
    static constexpr int IDC_LOOP_DELETE = 753;
    // The longest name a loop takes.
    static constexpr int kMaxLoopNameLength = 100;

    CQuorvelPracticePage(QWidget* parent, CPlaybackEngine& engine,
                         CQuorvelLoopPropertyPage& loopPage);

    // A new song with its named loops: the list shows them with line `chosen` chosen (-1:
    // none), the controls enabled. Nothing else changes: the loop region is the caller's.
    void SetSongLoops(std::vector<memory::NamedLoop> loops, int chosen = -1);
    const std::vector<memory::NamedLoop>& Loops() const { return m_loops; }
    // The chosen loop's index in the list, -1 when none is chosen.
    int ChosenLoop() const;
    // Chooses loop `index` as a click on its line would; false when there is no such loop.
    bool ChooseLoop(int index);

    // A key the main window routes here while a song is loaded: Qt::Key_PageDown and _PageUp
    // choose the next and the previous loop (the first and the last when none is chosen), the
    // digits 1 to 9 the first nine. False when the key chose nothing.
    bool OnPracticeKey(int key);

    void OnLoopSave();
    void OnLoopCreate();
    void OnLoopDelete();

    ui::CListBox* LoopList() const { return m_pLoopList; }
    const std::vector<std::unique_ptr<ui::CToolTipCtrl>>& ToolTips() const { return m_arrToolTips; }

protected:
    bool OnInitDialog() override;
    void OnCommand(int id, int notifyCode) override;
    // Presses on the page's face neither drag the main window nor open its menu.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void CreateToolTips();
    void SetCaptionsFromLanguage();
    void EnableControls(bool bEnable);
    // Rewrites the list from m_loops and chooses line `chosen`.
    void ShowLoops(int chosen);
    QString LineText(const memory::NamedLoop& loop) const;
    // The current loop region as a loop named `name`.
    memory::NamedLoop RegionAsLoop(const std::string& name) const;

    CPlaybackEngine& m_engine;
    CQuorvelLoopPropertyPage& m_loopPage;
    std::vector<memory::NamedLoop> m_loops;
    ui::CListBox* m_pLoopList = nullptr;
    std::vector<std::unique_ptr<ui::CToolTipCtrl>> m_arrToolTips;
};
