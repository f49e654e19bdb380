// The mouse and the keyboard as the user gives them to the real main window, through the window
// system's own events: double clicks act once, the equaliser page keeps its presses, the caption
// frames let the right button through, keys follow the letters of Latin layouts and the US
// places on others, and disabled controls explain nothing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWindow>

#include "UrlCatcher.h"
#include "lang/DataFolder.h"
#include "app/QuorvelMainDlg.h"
#include "engine/PlaybackEngine.h"
#include "engine/PlaybackState.h"
#include "engine/TestMedia.h"
#include "eq/QuorvelEQPropertyPage.h"
#include "loop/LoopRegion.h"
#include "loop/QuorvelLoopPropertyPage.h"
#include "support/KeyboardLayouts.h"
#include "support/NumberedLanguage.h"
#include "ui/ControlId.h"
#include "ui/KeyboardLayout.h"
#include "ui/ListBox.h"
#include "ui/ModalResponder.h"
#include "ui/ShowMessage.h"
#include "ui/SliderCtrl.h"
#include "ui/TestEnvironment.h"
#include "ui/ToolTipProbe.h"

namespace {

// Counts the events of one type that reach a widget.
class EventCounter : public QObject {
public:
    EventCounter(QWidget* widget, QEvent::Type type) : m_type(type) {
        widget->installEventFilter(this);
    }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == m_type) ++count;
        return false;
    }

private:
    QEvent::Type m_type;
};

class MainWindowInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::WriteFile(DataFolder() + "/Default.lan",
                           testenv::NumberedLanguage({{123, "Help Page.html"}}));
        g_bModified = 0;
        m_dialog = std::make_unique<CQuorvelMainDlg>();
        ASSERT_TRUE(m_dialog->InitDialog());
        m_dialog->move(60, 40);
        m_dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_dialog.get()));
    }
    void TearDown() override {
        if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    }

    void LoadSong() {
        const std::string path = m_media.path().toStdString() + "/song.wav";
        testmedia::WriteWav(path, {.seconds = 2.0});
        m_dialog->Engine().LoadSong(path);
        ASSERT_NE(m_dialog->Engine().m_dwBassStream, 0u);
    }

    QWidget* Item(int id) { return m_dialog->GetDlgItem(id); }
    CQuorvelEQPropertyPage* EqPage() {
        return qobject_cast<CQuorvelEQPropertyPage*>(m_dialog->EqPage());
    }
    QWindow* Window() { return m_dialog->windowHandle(); }
    // The centre of a control in the window's coordinates.
    QPoint At(const QWidget* control) {
        return control->mapTo(m_dialog.get(), control->rect().center());
    }
    void Click(const QWidget* control) {
        QTest::mouseClick(Window(), Qt::LeftButton, {}, At(control));
    }
    void DoubleClick(const QWidget* control) {
        QTest::mouseDClick(Window(), Qt::LeftButton, {}, At(control));
    }
    void RightClick(QPoint pos) { QTest::mouseClick(Window(), Qt::RightButton, {}, pos); }
    // Presses at `start`, moves 30 right and 20 down, releases: how far the window moved.
    QPoint DragFrom(QPoint start) {
        const QPoint before = m_dialog->pos();
        QTest::mousePress(Window(), Qt::LeftButton, {}, start);
        QTest::mouseMove(Window(), start + QPoint(30, 20));
        // Window coordinates: once the window has followed the pointer, it is back at start.
        const QPoint end = m_dialog->pos() == before ? start + QPoint(30, 20) : start;
        QTest::mouseRelease(Window(), Qt::LeftButton, {}, end);
        return m_dialog->pos() - before;
    }
    static QMenu* OpenMenu() { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }

    testenv::TempAppData m_appData;
    QTemporaryDir m_media;
    ui::ModalScript<ui::MessageQuestion> m_boxes{IDOK};
    std::unique_ptr<CQuorvelMainDlg> m_dialog;
};

TEST_F(MainWindowInputTest, ADoubleClickOnHelpOpensTheHelpOnce) {
    apptest::UrlCatcher catcher;
    DoubleClick(Item(409));
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls[0].toLocalFile().toStdString(), DataFolder() + "/Help Page.html");
}

TEST_F(MainWindowInputTest, ADoubleClickOnAPageButtonShowsThePageOnce) {
    EventCounter loopShown(m_dialog->LoopPage(), QEvent::Show);
    EventCounter loopHidden(m_dialog->LoopPage(), QEvent::Hide);
    DoubleClick(Item(518));
    EXPECT_EQ(loopShown.count, 1);
    EXPECT_EQ(loopHidden.count, 0);
    EXPECT_EQ(m_dialog->height(), 416 + 194);

    EventCounter eqShown(EqPage(), QEvent::Show);
    EventCounter eqHidden(EqPage(), QEvent::Hide);
    DoubleClick(Item(519));
    EXPECT_EQ(eqShown.count, 1);
    EXPECT_EQ(eqHidden.count, 0);
    EXPECT_EQ(m_dialog->height(), 416 + 2 * 194);

    // Once more each: hidden, once.
    DoubleClick(Item(519));
    DoubleClick(Item(518));
    EXPECT_EQ(eqHidden.count, 1);
    EXPECT_EQ(loopHidden.count, 1);
    EXPECT_EQ(m_dialog->height(), 416);
}

TEST_F(MainWindowInputTest, ADoubleClickOnAnArrowStepsTwice) {
    auto* volume = m_dialog->GetDlgItem<ui::CSliderCtrl>(440);
    ASSERT_EQ(volume->value(), 50);
    DoubleClick(Item(435));
    EXPECT_EQ(volume->value(), 52);
    DoubleClick(Item(434));
    DoubleClick(Item(434));
    EXPECT_EQ(volume->value(), 48);
}

TEST_F(MainWindowInputTest, ADoubleClickOnThePagesButtonsActsOnce) {
    LoadSong();
    ASSERT_FALSE(HasFatalFailure());
    Click(Item(518));
    Click(Item(519));
    // Zoom: a double click switches the mode once, as a click does, not on-off-on; each switch
    // gives the window a new pointer.
    CQuorvelLoopPropertyPage* loop = m_dialog->LoopPage();
    EventCounter pointerChanges(m_dialog.get(), QEvent::CursorChange);
    Click(loop->GetDlgItem(603));
    ASSERT_TRUE(loop->m_bZoomMode);
    const int changesPerSwitch = pointerChanges.count;
    ASSERT_GT(changesPerSwitch, 0);
    Click(loop->GetDlgItem(603));
    pointerChanges.count = 0;
    DoubleClick(loop->GetDlgItem(603));
    EXPECT_TRUE(loop->m_bZoomMode);
    EXPECT_EQ(pointerChanges.count, changesPerSwitch);

    // Delete with a preset chosen: that one goes, and no "nothing chosen" message follows.
    CQuorvelEQPropertyPage* eq = EqPage();
    ui::CListBox* list = eq->PresetList();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(4)).center());
    ASSERT_EQ(list->GetCurSel(), 4);
    const int before = eq->m_nPresetCount;
    DoubleClick(eq->GetDlgItem(742));
    EXPECT_EQ(eq->m_nPresetCount, before - 1);
    EXPECT_EQ(eq->m_arrPresets[4].name, "Acoustic");
    EXPECT_TRUE(m_boxes.Asked().empty());
}

TEST_F(MainWindowInputTest, TheEqualiserPageKeepsItsPressesFromTheMainWindow) {
    Click(Item(519));
    CQuorvelEQPropertyPage* page = EqPage();
    ASSERT_TRUE(page->isVisible());
    // Inside the presets frame below the list: the page's own face.
    const QRect list = page->GetDlgItem(739)->geometry();
    const QRect frame = page->GetDlgItem(507)->geometry();
    const QPoint onFace(list.center().x(), (list.bottom() + frame.bottom()) / 2);
    const QPoint background = page->mapTo(m_dialog.get(), onFace);
    ASSERT_EQ(page->childAt(onFace), nullptr);  // the frames let the pointer through
    // Before a song its controls are disabled: a press on one reaches the page.
    QWidget* disabledSlider = page->Slider(3);
    ASSERT_FALSE(disabledSlider->isEnabled());

    for (const QPoint pos : {background, At(disabledSlider), At(page->GetDlgItem(742))}) {
        SCOPED_TRACE(testing::Message() << pos.x() << ", " << pos.y());
        RightClick(pos);
        EXPECT_EQ(OpenMenu(), nullptr);
        EXPECT_EQ(DragFrom(pos), QPoint(0, 0));
    }
    // The main window's own face still does both.
    EXPECT_EQ(DragFrom(QPoint(150, 20)), QPoint(30, 20));
    RightClick(QPoint(150, 20));
    EXPECT_NE(OpenMenu(), nullptr);
}

TEST_F(MainWindowInputTest, ARightClickInACaptionFrameOpensTheMenuAndALeftClickStillResets) {
    QWidget* frame = Item(502);  // tempo
    const QPoint inside(frame->geometry().left() + 3, frame->geometry().bottom() - 3);
    ASSERT_EQ(m_dialog->childAt(inside), frame);  // not on the slider or an arrow
    RightClick(inside);
    QMenu* menu = OpenMenu();
    ASSERT_NE(menu, nullptr);
    menu->close();

    auto* tempo = m_dialog->GetDlgItem<ui::CSliderCtrl>(438);
    tempo->setValue(150);
    QTest::mouseClick(Window(), Qt::LeftButton, {}, inside);
    EXPECT_EQ(tempo->value(), 100);
    EXPECT_EQ(OpenMenu(), nullptr);
}

TEST_F(MainWindowInputTest, ADisabledControlShowsNoTipUntilItIsEnabled) {
    QWidget* save = Item(403);
    ASSERT_FALSE(save->isEnabled());
    EXPECT_EQ(testenv::TipShownAt(save, save->rect().center()), "");
    LoadSong();
    ASSERT_FALSE(HasFatalFailure());
    for (int id : {403, 407, 438}) {
        ASSERT_TRUE(Item(id)->isEnabled()) << id;
        EXPECT_NE(testenv::TipShownAt(Item(id), Item(id)->rect().center()), "") << id;
    }
    Item(407)->setEnabled(false);
    EXPECT_EQ(testenv::TipShownAt(Item(407), Item(407)->rect().center()), "");
}

// The keys that act as N, M, comma, full stop and Z under a layout: X keycode (evdev code + 8),
// what each types without and with Shift.
struct LayoutKey {
    quint32 keycode;
    char32_t typed;
    char32_t shifted;
};

struct Layout {
    const char* name;
    LayoutKey n, m, comma, period, z;
};

const Layout kLayouts[] = {
    {"us",
     {57, U'n', U'N'},
     {58, U'm', U'M'},
     {59, U',', U'<'},
     {60, U'.', U'>'},
     {52, U'z', U'Z'}},
    // Z is where US has Y.
    {"de",
     {57, U'n', U'N'},
     {58, U'm', U'M'},
     {59, U',', U';'},
     {60, U'.', U':'},
     {29, U'z', U'Z'}},
    // M is where US has ";", comma where US has M; with no full stop of its own, the ":" key in
    // the US full stop's place.
    {"fr",
     {57, U'n', U'N'},
     {47, U'm', U'M'},
     {58, U',', U'?'},
     {60, U':', U'/'},
     {25, U'z', U'Z'}},
    // Cyrillic letters: the US keys in the same places.
    {"ru",
     {57, U'т', U'Т'},
     {58, U'ь', U'Ь'},
     {59, U'б', U'Б'},
     {60, U'ю', U'Ю'},
     {52, U'я', U'Я'}},
};

// Presses and releases a key as the X11 platform delivers it to the focused control.
void TypeKey(const LayoutKey& key, bool bShift) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    const char32_t character = bShift ? key.shifted : key.typed;
    const QString text = QString::fromUcs4(&character, 1);
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        // Qt names a key by its character's capital.
        QKeyEvent event(type, text.at(0).toUpper().unicode(),
                        bShift ? Qt::ShiftModifier : Qt::NoModifier, key.keycode,
                        xkb_utf32_to_keysym(character), bShift ? 1 : 0 /* ShiftMask */, text);
        QApplication::sendEvent(target, &event);
    }
}

TEST_F(MainWindowInputTest, LoopKeysFollowLatinLayoutsAndTheUsPlacesOtherwiseWhateverShift) {
    LoadSong();
    ASSERT_FALSE(HasFatalFailure());
    m_dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_dialog.get()));
    CQuorvelLoopPropertyPage* loop = m_dialog->LoopPage();
    const audio::HSTREAM stream = m_dialog->Engine().m_dwBassStream;
    const audio::QWORD second = 44100 * 4;
    audio::QWORD step = 0;
    for (const Layout& layout : kLayouts) {
        const testenv::XkbLayout keymap(layout.name);
        ASSERT_TRUE(keymap.IsValid());
        const ui::ScopedKeyboardLayout active(keymap.Source());
        for (const bool bShift : {false, true}) {
            SCOPED_TRACE(testing::Message() << layout.name << (bShift ? " with Shift" : ""));
            // Every round marks other places, so each key must act for the check to hold.
            ++step;
            const audio::QWORD start = step * second / 20;
            const audio::QWORD end = second + step * second / 20;
            audio::ChannelSetPosition(stream, start);
            TypeKey(layout.n, bShift);
            EXPECT_EQ(g_loopRegion.qwStartPoint.load(), start);
            audio::ChannelSetPosition(stream, end);
            TypeKey(layout.m, bShift);
            EXPECT_EQ(g_loopRegion.qwEndPoint, end);

            audio::ChannelSetPosition(stream, 0);
            TypeKey(layout.comma, bShift);
            EXPECT_EQ(audio::ChannelGetPosition(stream), start);
            audio::ChannelSetPosition(stream, 0);
            TypeKey(layout.period, bShift);
            EXPECT_EQ(audio::ChannelGetPosition(stream), end);

            loop->ZoomIn(loop->PositionToX(start));
            ASSERT_GT(loop->m_nZoom, 1);
            TypeKey(layout.z, bShift);
            EXPECT_EQ(loop->m_nZoom, 1);
        }
    }
}

TEST_F(MainWindowInputTest, KeysWithoutANativeCodeActByTheirQtKey) {
    // Synthetic events (and the offscreen platform's) carry no keycode.
    LoadSong();
    ASSERT_FALSE(HasFatalFailure());
    const audio::HSTREAM stream = m_dialog->Engine().m_dwBassStream;
    audio::ChannelSetPosition(stream, 4 * 4410);
    QTest::keyClick(Item(520), Qt::Key_N);
    EXPECT_EQ(g_loopRegion.qwStartPoint.load(), 4u * 4410);
    audio::ChannelSetPosition(stream, 4 * 8820);
    QTest::keyClick(Item(520), Qt::Key_M, Qt::ShiftModifier);
    EXPECT_EQ(g_loopRegion.qwEndPoint, 4u * 8820);
    audio::ChannelSetPosition(stream, 0);
    QTest::keyClick(Item(520), Qt::Key_Comma);
    EXPECT_EQ(audio::ChannelGetPosition(stream), 4u * 4410);
    QTest::keyClick(Item(520), Qt::Key_B);
    EXPECT_EQ(g_loopRegion.qwStartPoint.load(), 0u);
    EXPECT_EQ(g_loopRegion.qwEndPoint, 0u);
}

}  // namespace
