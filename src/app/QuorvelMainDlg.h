#pragma once

#include <QCursor>
#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <array>
#include <memory>
#include <vector>

#include "app/LanguageMenu.h"
#include "engine/PlaybackEngine.h"
#include "ui/SkinResource.h"
#include "ui/TemplateDialog.h"

namespace ui {
class CBitmapButton;
class CHoverFocus;
class CToolTipCtrl;
class CCaptionGroupBox;
class CSliderCtrl;
class CStaticText;
}  // namespace ui
class CQuorvelLoopPropertyPage;
class CQuorvelPracticePage;
class COutsideOpen;
class CSongMemoryKeeper;

// The main window (dialog 310): a frameless, skinned window moved by dragging its face. It is
// the dispatcher for every subsystem's handlers; their code lives in their own folders.
class CQuorvelMainDlg : public ui::CTemplateDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 310;
    static constexpr int kWidth = 544;
    static constexpr int kHeight = 416;

    explicit CQuorvelMainDlg(QWidget* parent = nullptr);
    ~CQuorvelMainDlg() override;

    // The loop editor page, a hidden child from initialisation on.
    CQuorvelLoopPropertyPage* LoopPage() const { return m_pLoopPage; }
    // The equaliser page; null while there is none. Its button places it once it is attached
    // (a hidden child of this window).
    QWidget* EqPage() const { return m_pEqPage; }
    void AttachEqPage(QWidget* page) { m_pEqPage = page; }
    // The practice page, a hidden child from initialisation on; the Practice button shows it in
    // the equaliser page's place.
    CQuorvelPracticePage* PracticePage() const { return m_pPracticePage; }
    // What the player remembers of each song; null before initialisation.
    CSongMemoryKeeper* MemoryKeeper() const { return m_pMemoryKeeper.get(); }

    // Sets the rounded outline computed from the current size; also re-applied whenever the
    // height changes (the pages add to it).
    void ApplyWindowRegion();

    // The loaded song, its playback and the sound sliders.
    CPlaybackEngine& Engine() { return m_engine; }

    // A file from outside the window (the command line, a second start of the player): comes to
    // the front and opens it as the Open command would, once nothing else runs. An empty path
    // only brings the window to the front.
    void OpenFromOutside(const std::string& path);
    // Nothing runs over the window: no other dialog, message box or menu is up (the rip's
    // progress among them) and no song is loading. What comes from outside waits for this.
    bool IsFree() const;

protected:
    bool OnInitDialog() override;
    void OnCommand(int id, int notifyCode) override;
    void OnHScroll(int code, int position, QWidget* slider) override;
    void OnUserMessage(int n, quintptr wParam, qintptr lParam) override;
    bool PreTranslateMessage(QObject* target, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // One local file dropped on the window is opened like a file from outside.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void LoadCursors();
    void BindControls();
    void BindBitmapButtons();
    void SetFonts();
    void SetCaptionsFromLanguage();
    void CreateLoopPage();
    void CreateEqPage();
    void CreatePracticePage();

    void OnMinimize();
    void OnHelp();
    // The Loop (518), EQ (519) and Practice (521) buttons: show or hide their page below the
    // controls, the window growing by one page for each page shown. The equaliser and the
    // practice page share one place: showing one hides the other.
    void OnLoopPageButton();
    void OnEqPageButton();
    void OnPracticePageButton();
    // Shows `page` (or none) below the loop editor's place.
    void ShowLowerPage(QWidget* page);
    void ResizeForPages();
    // Distance from the window's outer top edge to its client area.
    int CaptionHeight() const;

    // Skin bitmaps 110 to 114 and the icon 103.
    std::array<ui::CSkinBitmap, 5> m_bmpSkin;
    QIcon m_iconMain;
    QFont m_fontTime;

    // The pointers of the loop editor: the arrow and resources 104 to 108.
    QCursor m_hCursorArrow;
    QCursor m_hCursorCross;
    QCursor m_hCursorHand;
    QCursor m_hCursorZoom;
    QCursor m_hCursorZoomIn;
    QCursor m_hCursorZoomOut;

    int m_bDragging = 0;
    int m_nDragOffsetX = 0;
    int m_nDragOffsetY = 0;
    int m_bLoopPageShown = 0;
    QWidget* m_pLowerPage = nullptr;  // the equaliser or practice page shown, or none

    CLanguageMenu m_languageMenu;
    CQuorvelLoopPropertyPage* m_pLoopPage = nullptr;  // owned as a child widget
    QWidget* m_pEqPage = nullptr;                     // the equaliser page, once there is one
    CQuorvelPracticePage* m_pPracticePage = nullptr;  // owned as a child widget

    // Controls the window works with directly.
    ui::CStaticText* m_wndTitle = nullptr;
    ui::CStaticText* m_wndTime = nullptr;
    ui::CSliderCtrl* m_sliderPosition = nullptr;
    ui::CCaptionGroupBox* m_wndTempoCaption = nullptr;
    ui::CCaptionGroupBox* m_wndPitchCaption = nullptr;
    ui::CCaptionGroupBox* m_wndVolumeCaption = nullptr;
    ui::CCaptionGroupBox* m_wndVocalCaption = nullptr;
    ui::CSliderCtrl* m_sliderTempo = nullptr;
    ui::CSliderCtrl* m_sliderPitch = nullptr;
    ui::CSliderCtrl* m_sliderVolume = nullptr;
    ui::CSliderCtrl* m_sliderVocal = nullptr;
    ui::CBitmapButton* m_btnFocusSink = nullptr;

    std::vector<std::unique_ptr<ui::CToolTipCtrl>> m_arrToolTips;
    std::unique_ptr<ui::CHoverFocus> m_pHoverFocus;

    // Created after the controls, which it finds by their identifiers.
    CPlaybackEngine m_engine;
    std::unique_ptr<COutsideOpen> m_pOutsideOpen;
    // Goes before the engine: it writes the song's memory while the song is still there.
    std::unique_ptr<CSongMemoryKeeper> m_pMemoryKeeper;
};
