#include "app/QuorvelMainDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include "app/DroppedFile.h"
#include "app/MainDialogTemplate.h"
#include "app/MainSliderLook.h"
#include "app/MainWindowTips.h"
#include "app/OpenCommand.h"
#include "app/OutsideOpen.h"
#include "app/PlayerMenuItems.h"
#include "cdrip/RipCommands.h"
#include "engine/MainWindowIds.h"
#include "eq/QuorvelEQPropertyPage.h"
#include "export/Mp3FormatChooser.h"
#include "export/SaveCommands.h"
#include "lang/DataFolder.h"
#include "lang/LanguageText.h"
#include "loop/QuorvelLoopPropertyPage.h"
#include "practice/QuorvelPracticePage.h"
#include "practice/SongMemoryKeeper.h"
#include "ui/BitmapButton.h"
#include "ui/CaptionGroupBox.h"
#include "ui/ControlColours.h"
#include "ui/ControlId.h"
#include "ui/HoverFocus.h"
#include "ui/LanguageFileBox.h"
#include "ui/QtText.h"
#include "ui/ShellOpen.h"
#include "ui/SkinResource.h"
#include "ui/SliderCtrl.h"
#include "ui/StaticText.h"
#include "ui/WindowRegion.h"

namespace {

constexpr int kSkinBitmapIds[] = {110, 111, 112, 113, 114};

const ui::CSkinBitmap& Skin(const std::array<ui::CSkinBitmap, 5>& bitmaps, int id) {
    return bitmaps[static_cast<size_t>(id - kSkinBitmapIds[0])];
}

}  // namespace

CQuorvelMainDlg::CQuorvelMainDlg(QWidget* parent)
    : ui::CTemplateDialog(MainDialogTemplate(), parent,
                          Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_languageMenu([this](int command) { OnCommand(command, 0); }),
      m_engine(this, [this](int id) { return GetDlgItem(id); }),
      m_pOutsideOpen(std::make_unique<COutsideOpen>(*this)) {
    for (const char* name : {"103", "103@1.5x", "103@2x", "103-256"})
        if (const QPixmap picture = ui::LoadSkinBitmap(name); !picture.isNull())
            m_iconMain.addPixmap(picture);
    for (size_t i = 0; i < m_bmpSkin.size(); ++i)
        m_bmpSkin[i] = ui::CSkinBitmap(kSkinBitmapIds[i]);
    ui::ApplyControlBackground(this);
    ui::InstallLanguageFileBox(this);
    InstallMessagePreFilter();
    setAcceptDrops(true);
}

CQuorvelMainDlg::~CQuorvelMainDlg() {
    RemoveMessagePreFilter();
    InstallMp3FormatChooser(nullptr);
}

bool CQuorvelMainDlg::OnInitDialog() {
    // 1. Nothing reads a language text before the language file is known.
    g_szLanguageFile = DataFolder() + "/Default.lan";
    // 2. Controls land on the skin's pixels whatever the screen's resolution.
    m_layout.Apply(this, Template(), 96);
    // 3. Pointers of the loop editor.
    LoadCursors();
    // 4. The audio callbacks post to this window.
    m_engine.RegisterMainWindow();
    // 5. Controls the window works with.
    BindControls();
    // 6. Icon and title (the title shows in the task bar only).
    setWindowIcon(m_iconMain);
    setWindowTitle(QStringLiteral("Quorvel"));
    // 7. Resized without moving.
    resize(kWidth, kHeight);
    // 8. Rounded outline.
    ApplyWindowRegion();
    // 9. Without the audio layer there is nothing to do: the dialog ends.
    if (!m_engine.StartAudio()) {
        done(0);
        return false;
    }
    // 10. Buttons take their pictures.
    BindBitmapButtons();
    // 11. A tooltip for every control, in the language of this start.
    m_arrToolTips = CreateMainWindowTips(this);
    // 12. Fonts of the title and the time.
    SetFonts();
    // 13. Ranges and start values; the position, tempo, pitch and vocal-reduction sliders
    //     start disabled, the volume slider enabled.
    m_engine.SetUpSliders();
    ApplyMainSliderLook(this);
    // 14. (loop, eq) The loop editor and equaliser pages are created here, hidden.
    CreateLoopPage();
    CreateEqPage();
    // (practice) The practice page, and the memory of every song that fills it.
    CreatePracticePage();
    // (export) The MP3 format chooser asks over this window.
    InstallMp3FormatChooser(this);
    // 15. No button shows its focus picture at start; from now on the focus follows the pointer.
    m_btnFocusSink->setFocus();
    m_pHoverFocus = std::make_unique<ui::CHoverFocus>(this, m_btnFocusSink);
    // 16. First captions in the current language.
    SetCaptionsFromLanguage();
    return true;
}

void CQuorvelMainDlg::LoadCursors() {
    m_hCursorArrow = QCursor(Qt::ArrowCursor);
    const qreal ratio = devicePixelRatio();
    m_hCursorCross = ui::LoadSkinCursor(104, ratio);
    m_hCursorHand = ui::LoadSkinCursor(105, ratio);
    m_hCursorZoom = ui::LoadSkinCursor(106, ratio);
    m_hCursorZoomIn = ui::LoadSkinCursor(107, ratio);
    m_hCursorZoomOut = ui::LoadSkinCursor(108, ratio);
}

void CQuorvelMainDlg::BindControls() {
    m_wndTitle = GetDlgItem<ui::CStaticText>(500);
    m_wndTime = GetDlgItem<ui::CStaticText>(501);
    m_sliderPosition = GetDlgItem<ui::CSliderCtrl>(420);
    m_wndTempoCaption = GetDlgItem<ui::CCaptionGroupBox>(502);
    m_wndPitchCaption = GetDlgItem<ui::CCaptionGroupBox>(503);
    m_wndVolumeCaption = GetDlgItem<ui::CCaptionGroupBox>(504);
    m_sliderTempo = GetDlgItem<ui::CSliderCtrl>(438);
    m_sliderPitch = GetDlgItem<ui::CSliderCtrl>(439);
    m_sliderVolume = GetDlgItem<ui::CSliderCtrl>(440);
    m_sliderVocal = GetDlgItem<ui::CSliderCtrl>(441);
    m_btnFocusSink = GetDlgItem<ui::CBitmapButton>(520);
    m_wndVocalCaption = GetDlgItem<ui::CCaptionGroupBox>(505);
}

void CQuorvelMainDlg::BindBitmapButtons() {
    for (int id = 400; id <= 409; ++id) ui::BindBitmapButton(this, id);
    for (int id = 430; id <= 437; ++id) ui::BindBitmapButton(this, id);
    for (int id : {519, 518, 521}) ui::BindBitmapButton(this, id);
}

void CQuorvelMainDlg::CreateLoopPage() {
    m_pLoopPage = new CQuorvelLoopPropertyPage(this);
    m_pLoopPage->InitDialog();
    m_pLoopPage->hide();  // until the Loop button shows it

    // The engine hands it each new song, its keys and the display refresh, and takes the
    // stream back from it before closing.
    CQuorvelLoopPropertyPage* page = m_pLoopPage;
    m_engine.m_pages.loopSetSong = [page](audio::HSTREAM stream, const std::string& path) {
        page->SetSong(true, stream, path, false);
    };
    m_engine.m_pages.loopClearStream = [page] { page->ClearStream(); };
    m_engine.m_pages.loopInvalidate = [page] { page->update(); };
    m_engine.m_pages.loopKey = [page](int key) { page->OnLoopKey(key); };
    m_engine.m_pages.loopShiftKey = [page](bool bPressed) { return page->OnShiftKey(bPressed); };
    m_engine.m_pages.loopKeep = [page] { return page->KeepRegionAndView(); };
}

void CQuorvelMainDlg::CreateEqPage() {
    auto* page = new CQuorvelEQPropertyPage(this);
    page->InitDialog();
    page->hide();  // until the EQ button shows it
    AttachEqPage(page);
    // Each new song starts flat on its own stream.
    m_engine.m_pages.eqApplyToPlayback = [page, this] {
        page->ApplyEqToPlayback(m_engine.m_dwBassStream);
    };
    m_engine.m_pages.eqKeep = [page] { return page->KeepBands(); };
    // The gains are kept by the engine, where a save takes them.
    page->m_onBandGainSet = [this](int band, int gain) { m_engine.SetEqGain(band, gain); };
}

void CQuorvelMainDlg::CreatePracticePage() {
    m_pPracticePage = new CQuorvelPracticePage(this, m_engine, *m_pLoopPage);
    m_pPracticePage->InitDialog();
    m_pPracticePage->hide();  // until the Practice button shows it
    CQuorvelPracticePage* page = m_pPracticePage;
    m_engine.m_pages.practiceKey = [page](int key) { page->OnPracticeKey(key); };

    auto* eq = qobject_cast<CQuorvelEQPropertyPage*>(m_pEqPage);
    m_pMemoryKeeper =
        std::make_unique<CSongMemoryKeeper>(m_engine, *m_pLoopPage, *eq, *page, DataFolder());
    // Songs play with the engine chosen last time, through the device chosen last time (where it
    // cannot be opened now, the default plays).
    m_engine.SetStretcher(m_pMemoryKeeper->Settings().Stretcher());
    if (const std::string& device = m_pMemoryKeeper->Settings().OutputDevice(); !device.empty())
        audio::SetOutputDevice(device.c_str());
    m_languageMenu.SetPlayerItems([this](QMenu& menu) {
        AppendPlayerMenuItems(menu, *m_pMemoryKeeper, m_engine,
                              [this](const std::string& path) { OpenFromOutside(path); });
    });
    // Said once the window is up, not in the middle of its making.
    QTimer::singleShot(0, this, [this] { m_pMemoryKeeper->ReportStoreProblem(); });
}

void CQuorvelMainDlg::SetFonts() {
    // The title keeps the template font; the time gets its own large heavy face.
    m_fontTime = QFont(QStringLiteral("DejaVu Sans"));
    m_fontTime.setPixelSize(18);
    m_fontTime.setWeight(QFont::Black);
    m_wndTime->setFont(m_fontTime);
}

void CQuorvelMainDlg::SetCaptionsFromLanguage() {
    m_wndPitchCaption->setTitle(ui::ToQtText(GetLanguageText(67)));
    m_wndTempoCaption->setTitle(ui::ToQtText(GetLanguageText(68)));
    m_wndVolumeCaption->setTitle(ui::ToQtText(GetLanguageText(69)));
    m_wndVocalCaption->setTitle(ui::ToQtText(GetLanguageText(70)));
    m_wndTitle->setText(ui::ToQtText(GetLanguageText(104)));
}

void CQuorvelMainDlg::ApplyWindowRegion() {
    const QRect client = rect();
    setMask(ui::RoundRectRegion(client.left() + 1, client.top() + 1, client.width() - 8,
                                client.height(), 53, 53));
}

void CQuorvelMainDlg::OnCommand(int id, int notifyCode) {
    // Language choices are taken before the other commands.
    m_languageMenu.OnCommand(this, static_cast<unsigned>(id));
    // The sound arrows step on a click and again on a double click's second press.
    if (CPlaybackEngine::IsSoundArrow(id)) {
        if (notifyCode == ui::BN_CLICKED || notifyCode == ui::BN_DOUBLECLICKED)
            m_engine.OnSoundArrow(id);
        return;
    }
    // Every other button acts once per click: a double click is a click and a notification.
    if (notifyCode != ui::BN_CLICKED) return;
    switch (id) {
        case 400:
            OnMinimize();
            break;
        case 401:
            close();  // takes the closing path, where the close may still be refused
            break;
        case 402:
            OnOpenCommand(this, m_engine, m_pLoopPage, m_btnFocusSink);
            break;
        case 403:
            OnSave(m_engine);
            break;
        case 404:
            OnSaveAs(m_engine);
            break;
        case 405:
            OnRipCD(m_engine);
            break;
        case 406:
            m_engine.OnStop();
            break;
        case 407:
            m_engine.OnPlay();
            break;
        case 408:
            m_engine.OnPause();
            break;
        case 409:
            OnHelp();
            break;
        case 518:
            OnLoopPageButton();
            break;
        case 519:
            OnEqPageButton();
            break;
        case 521:
            OnPracticePageButton();
            break;
        default:
            break;
    }
}

void CQuorvelMainDlg::OnHScroll(int /*code*/, int /*position*/, QWidget* slider) {
    m_engine.ApplySlider(ui::GetDlgCtrlID(slider));
}

void CQuorvelMainDlg::OnUserMessage(int n, quintptr /*wParam*/, qintptr /*lParam*/) {
    if (n == WM_USER_SONG_END) m_engine.OnStop();
}

bool CQuorvelMainDlg::PreTranslateMessage(QObject* target, QEvent* event) {
    // Keys of the transport; Escape never closes the main window.
    return m_engine.PreTranslateMessage(target, event);
}

void CQuorvelMainDlg::closeEvent(QCloseEvent* event) {
    if (!m_engine.OnClose()) {
        event->ignore();
        return;
    }
    ui::CTemplateDialog::closeEvent(event);
}

void CQuorvelMainDlg::OnMinimize() {
    showMinimized();
}

void CQuorvelMainDlg::OpenFromOutside(const std::string& path) {
    m_pOutsideOpen->Request(path);
}

bool CQuorvelMainDlg::IsFree() const {
    // The main window runs modally itself; any other modal widget is a dialog over it.
    const QWidget* modal = QApplication::activeModalWidget();
    return (!modal || modal == this) && !QApplication::activePopupWidget() &&
           !m_engine.IsLoadingSong();
}

void CQuorvelMainDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (DroppedFile(event->mimeData())) event->acceptProposedAction();
}

void CQuorvelMainDlg::dragMoveEvent(QDragMoveEvent* event) {
    if (DroppedFile(event->mimeData())) event->acceptProposedAction();
}

void CQuorvelMainDlg::dropEvent(QDropEvent* event) {
    const std::optional<std::string> file = DroppedFile(event->mimeData());
    if (!file) return;
    event->acceptProposedAction();
    OpenFromOutside(*file);
}

void CQuorvelMainDlg::OnHelp() {
    ui::ShellOpen(DataFolder() + "/" + GetLanguageText(123));
}

void CQuorvelMainDlg::paintEvent(QPaintEvent*) {
    // Later bitmaps cover earlier ones; each is copied unscaled from its top-left corner, at the
    // scale of the screen the window is on, and only its own pixels are drawn.
    QPainter painter(this);
    Skin(m_bmpSkin, 111).Draw(painter, {0, 0});
    Skin(m_bmpSkin, 110).Draw(painter, {5, 40});
    Skin(m_bmpSkin, 114).Draw(painter, {20, 142});
    Skin(m_bmpSkin, 113).Draw(painter, {0, 36});
    Skin(m_bmpSkin, 113).Draw(painter, {530, 36});
    Skin(m_bmpSkin, 112).Draw(painter, {0, height() - 36});
}

void CQuorvelMainDlg::resizeEvent(QResizeEvent* event) {
    ui::CTemplateDialog::resizeEvent(event);
    if (!mask().isEmpty()) ApplyWindowRegion();
}

void CQuorvelMainDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_bDragging = 1;
        const QPoint cursor = event->globalPosition().toPoint();
        const QPoint topLeft = frameGeometry().topLeft();
        m_nDragOffsetX = cursor.x() - topLeft.x();
        m_nDragOffsetY = cursor.y() - topLeft.y();
    } else if (event->button() == Qt::RightButton) {
        m_languageMenu.OnRButtonDown(this, event->position().toPoint());
    }
    ui::CTemplateDialog::mousePressEvent(event);
}

void CQuorvelMainDlg::mouseMoveEvent(QMouseEvent* event) {
    if (m_bDragging) {
        const QPoint cursor = event->globalPosition().toPoint();
        move(cursor.x() - m_nDragOffsetX, cursor.y() - m_nDragOffsetY);
    }
    ui::CTemplateDialog::mouseMoveEvent(event);
}

void CQuorvelMainDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) m_bDragging = 0;
    ui::CTemplateDialog::mouseReleaseEvent(event);
}
