#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <string>

#include "lang/LanguageText.h"
#include "ui/LanguageFileBox.h"
#include "ui/ModalResponder.h"
#include "ui/ShowMessage.h"
#include "ui/TestEnvironment.h"

namespace {

class LanguageTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_path = m_dir.path().toStdString() + "/Default.lan";
        g_szLanguageFile = m_path;
        ui::InstallLanguageFileBox(nullptr);  // as the main window does
    }
    void Write(std::string_view bytes) { testenv::WriteFile(m_path, bytes); }
    std::string Text(int line) { return GetLanguageText(line); }

    QTemporaryDir m_dir;
    std::string m_path;
    ui::ModalScript<ui::MessageQuestion> m_boxes{IDOK};
};

TEST_F(LanguageTextTest, LinesAreNumberedFromOneAndEmptyLinesCount) {
    Write("first\r\nsecond\n\nfourth");
    EXPECT_EQ(Text(1), "first");
    EXPECT_EQ(Text(2), "second");
    EXPECT_EQ(Text(3), "");
    EXPECT_EQ(Text(4), "fourth");  // the last line needs no line feed
    EXPECT_EQ(Text(5), "Language line missing.");
    EXPECT_EQ(Text(0), "Language line missing.");
    EXPECT_TRUE(m_boxes.Asked().empty());
}

TEST_F(LanguageTextTest, LongLineIsSplitAt259BytesAndShiftsLaterNumbers) {
    std::string file;
    for (int i = 1; i <= 9; ++i) file += "line" + std::to_string(i) + "\n";
    const std::string longLine = std::string(259, 'a') + std::string(41, 'b');
    file += longLine + "\nold eleven\n";
    Write(file);
    EXPECT_EQ(Text(10), std::string(259, 'a'));
    EXPECT_EQ(Text(11), std::string(41, 'b'));
    EXPECT_EQ(Text(12), "old eleven");
}

TEST_F(LanguageTextTest, CarriageReturnsOnlyBeforeLineFeedsAreDropped) {
    Write("a\rb\r\nc\r\r\n");
    EXPECT_EQ(Text(1), "a\rb");
    EXPECT_EQ(Text(2), "c\r");
}

TEST_F(LanguageTextTest, BackslashRBecomesALineBreakAndNothingElseIsEscaped) {
    Write("Restart\\rto apply\\n%%\\\\r\n");
    EXPECT_EQ(Text(1), "Restart\rto apply\\n%%\\\r");
}

TEST_F(LanguageTextTest, ByteOrderMarkBelongsToTheFirstLine) {
    Write("\xEF\xBB\xBFHello\nWelt \xC3\xBC\n");
    EXPECT_EQ(Text(1), "\xEF\xBB\xBFHello");
    EXPECT_EQ(Text(2), "Welt \xC3\xBC");
}

TEST_F(LanguageTextTest, NulBytesEndTheTextWithoutHarm) {
    Write(std::string("ab\0cd\nnext\n", 11));
    EXPECT_EQ(Text(1), "ab");
    EXPECT_EQ(Text(2), "next");
}

TEST_F(LanguageTextTest, ReplacedFileIsSeenByTheNextLookup) {
    Write("old\n");
    EXPECT_EQ(Text(1), "old");
    Write("new\n");
    EXPECT_EQ(Text(1), "new");
}

TEST_F(LanguageTextTest, MissingFileShowsABoxEveryTimeAndYieldsTheFixedText) {
    g_szLanguageFile = m_dir.path().toStdString() + "/absent/Default.lan";
    EXPECT_EQ(Text(104), "Can't open Default.lan language file.");
    EXPECT_EQ(Text(67), "Can't open Default.lan language file.");
    ASSERT_EQ(m_boxes.Asked().size(), 2u);
    const ui::MessageQuestion& box = m_boxes.Asked()[0];
    EXPECT_EQ(box.caption, "Missing Language File");
    EXPECT_EQ(box.text, "Can't open the default language file:\n\n   " + g_szLanguageFile);
    EXPECT_EQ(box.style, MB_OK);
}

TEST_F(LanguageTextTest, AFolderInPlaceOfTheFileCountsAsMissing) {
    g_szLanguageFile = m_dir.path().toStdString();
    EXPECT_EQ(Text(1), "Can't open Default.lan language file.");
    EXPECT_EQ(m_boxes.Asked().size(), 1u);
}

}  // namespace
