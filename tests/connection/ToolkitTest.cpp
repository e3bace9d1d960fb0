// The toolkit accessor and the recording toolkit the other tests rest on.

#include "tests/support/GTestQtPrinters.h"
#include "tests/support/RecordingToolkit.h"
#include "toolkit/Toolkit.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using tarnwick::test::RecordingToolkit;

namespace {

TEST(Toolkit, TheDefaultAnswersOkAndCancelsFileDialogs) {
    tarnwick::setToolkit(nullptr);
    EXPECT_EQ(tarnwick::applicationTitle(), u"Tarnwick"_s);
    EXPECT_EQ(tarnwick::toolkit().messageBox(u"text"_s, tarnwick::vbOKCancelInformation), tarnwick::vbOK);
    EXPECT_EQ(tarnwick::toolkit().openFileDialog({}), u""_s);
}

TEST(RecordingToolkit, InstallsItselfAndRestoresTheDefault) {
    tarnwick::Toolkit* defaultToolkit = &tarnwick::toolkit();
    {
        RecordingToolkit recording;
        EXPECT_EQ(&tarnwick::toolkit(), &recording);
    }
    EXPECT_EQ(&tarnwick::toolkit(), defaultToolkit);
}

TEST(RecordingToolkit, AnswersFromPresetsInOrderThenOk) {
    RecordingToolkit toolkit;
    toolkit.setNextAnswer(tarnwick::vbCancel);
    toolkit.setNextAnswer(tarnwick::vbOK);
    toolkit.setNextFileName(u"C:\\data\\a.mdf"_s);
    EXPECT_EQ(tarnwick::toolkit().messageBox(u"one"_s, 65, u"提示"_s), tarnwick::vbCancel);
    EXPECT_EQ(tarnwick::toolkit().messageBox(u"two"_s), tarnwick::vbOK);
    EXPECT_EQ(tarnwick::toolkit().messageBox(u"three"_s, 16), tarnwick::vbOK);
    EXPECT_EQ(tarnwick::toolkit().openFileDialog({u"选择"_s, u"*.mdf|*.mdf"_s, 1, u"C:\\"_s, 4}),
              u"C:\\data\\a.mdf"_s);
    EXPECT_EQ(tarnwick::toolkit().openFileDialog({}), u""_s);

    ASSERT_EQ(toolkit.messageBoxes.size(), 3u);
    EXPECT_EQ(toolkit.messageBoxes[0].text, u"one"_s);
    EXPECT_EQ(toolkit.messageBoxes[0].style, 65);
    EXPECT_EQ(toolkit.messageBoxes[0].shownTitle(), u"提示"_s);
    EXPECT_EQ(toolkit.messageBoxes[1].title, u""_s);
    EXPECT_EQ(toolkit.messageBoxes[1].shownTitle(), u"Tarnwick"_s);
    ASSERT_EQ(toolkit.fileDialogs.size(), 2u);
    EXPECT_EQ(toolkit.fileDialogs[0].flags, 4);
}

TEST(RecordingToolkit, RecordsEnvironmentCallsWithoutTouchingFiles) {
    RecordingToolkit toolkit;
    int pumped = 0;
    toolkit.onProcessEvents = [&] { ++pumped; };
    toolkit.setFileExists(u"C:\\data\\a.ldf"_s, true);
    toolkit.setDeleteResult(false);
    tarnwick::toolkit().processEvents();
    tarnwick::toolkit().processEvents();
    EXPECT_TRUE(tarnwick::toolkit().fileExists(u"C:\\data\\a.ldf"_s));
    EXPECT_FALSE(tarnwick::toolkit().fileExists(u"C:\\data\\missing.ldf"_s));
    EXPECT_FALSE(tarnwick::toolkit().deleteFile(u"c:\\Result.txt"_s));
    tarnwick::toolkit().endProgram();
    EXPECT_EQ(pumped, 2);
    EXPECT_EQ(toolkit.processEventsCount, 2);
    EXPECT_EQ(toolkit.endProgramCount, 1);
    EXPECT_EQ(toolkit.deletedFiles, QStringList{u"c:\\Result.txt"_s});
    EXPECT_EQ(toolkit.calls, (QStringList{u"processEvents"_s, u"processEvents"_s,
                                          u"fileExists|C:\\data\\a.ldf"_s,
                                          u"fileExists|C:\\data\\missing.ldf"_s,
                                          u"deleteFile|c:\\Result.txt"_s, u"endProgram"_s}));
    toolkit.clear();
    EXPECT_TRUE(toolkit.calls.isEmpty());
    EXPECT_EQ(toolkit.processEventsCount, 0);
}

}  // namespace
