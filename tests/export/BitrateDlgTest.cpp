// The bitrate chooser's lists, what OK hands back, and how it is left.
#include <QKeyEvent>
#include <QtTest/QTest>

#include "export/AacQualityTable.h"
#include "export/QuorvelBitrateDlg.h"
#include "export/SaveFixture.h"

namespace {

class BitrateDlgTest : public enginetest::MainWindowFixture {};

TEST_F(BitrateDlgTest, TheAacRowsInOrderAndTheOptionsOfTheChosenOne) {
    QuorvelBitrateDlg dialog(kBitrateListAac, m_dialog.get());
    ASSERT_TRUE(dialog.InitDialog());
    ui::CComboBox* list = dialog.List();
    QStringList entries;
    for (int i = 0; i < list->GetCount(); ++i) entries << list->GetLBText(i);
    EXPECT_EQ(entries, (QStringList{"218 kbps", "194 kbps", "158 kbps", "129 kbps", "103 kbps",
                                    "79 kbps", "62 kbps"}));
    EXPECT_EQ(list->GetCurSel(), 0);
    EXPECT_EQ(dialog.windowTitle().toStdString(), Text(86));
    list->SetCurSel(3);
    dialog.OnOK();
    EXPECT_EQ(dialog.result(), QuorvelBitrateDlg::IDOK_BITRATE);
    EXPECT_EQ(dialog.m_nBitrate, 129);
    EXPECT_STREQ(dialog.m_pszOptions, "-q 100 -c 16000 --mpeg-vers 4");
    EXPECT_EQ(dialog.m_pszOptions, AacQualityTable[3].szOptions);
}

TEST_F(BitrateDlgTest, TheWmaRatesAsTheEncoderGivesThemAndInBitsPerSecond) {
    QuorvelBitrateDlg dialog(kBitrateListWma, m_dialog.get());
    ASSERT_TRUE(dialog.InitDialog());
    const audio::DWORD* rates = audio::WMA_EncodeGetRates(44100, 2, 0);
    ASSERT_NE(rates, nullptr);
    int count = 0;
    int at128 = -1;
    for (; rates[count]; ++count) {
        EXPECT_EQ(dialog.List()->GetLBText(count).toStdString(),
                  std::to_string(rates[count] / 1000) + " kbps");
        if (rates[count] == 128000) at128 = count;
    }
    EXPECT_EQ(dialog.List()->GetCount(), count);
    ASSERT_GE(at128, 0) << "128 kbps is offered";
    dialog.List()->SetCurSel(at128);
    dialog.OnOK();
    EXPECT_EQ(dialog.result(), QuorvelBitrateDlg::IDOK_BITRATE);
    EXPECT_EQ(dialog.m_nBitrate, 128000);
}

TEST_F(BitrateDlgTest, EnterIsOkAndEscapeCancelAndTheCloseBoxCancel) {
    for (const auto& [key, expected] :
         {std::pair{Qt::Key_Return, int(QuorvelBitrateDlg::IDOK_BITRATE)},
          std::pair{Qt::Key_Escape, int(QDialog::Rejected)}}) {
        QuorvelBitrateDlg dialog(kBitrateListAac, m_dialog.get());
        ui::ScopedModalResponder<BitrateQuestion> user([&, key = key](const BitrateQuestion& q) {
            QTimer::singleShot(0, q.dialog, [&, key] { QTest::keyClick(q.dialog, key); });
            return q.dialog->exec();
        });
        EXPECT_EQ(RunBitrateDialog(dialog), expected);
    }
    QuorvelBitrateDlg closed(kBitrateListAac, m_dialog.get());
    ui::ScopedModalResponder<BitrateQuestion> user([](const BitrateQuestion& q) {
        QTimer::singleShot(0, q.dialog, [&] { q.dialog->close(); });
        return q.dialog->exec();
    });
    EXPECT_NE(RunBitrateDialog(closed), QuorvelBitrateDlg::IDOK_BITRATE);
}

}  // namespace
