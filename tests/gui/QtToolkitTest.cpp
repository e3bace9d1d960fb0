// The real toolkit: message box styles and answers, the file-open dialog, files and screen metrics.
// Modal windows are answered from a zero-time timer that runs inside their own event loop.

#include "tests/support/GuiTestHelpers.h"
#include "toolkit/QtToolkit.h"
#include "toolkit/QtTranslations.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

// Runs inspect on the modal window that the next call opens, as soon as it is open.
void whenModalOpens(std::function<void(QWidget*)> inspect) {
    QTimer::singleShot(0, qApp, [inspect] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        inspect(modal);
    });
}

struct BoxSeen {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
};

BoxSeen showBox(tarnwick::QtToolkit& tk, int style, const QString& title, const QString& press,
                int* answer) {
    BoxSeen seen;
    whenModalOpens([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        for (QAbstractButton* b : box->buttons()) {
            seen.buttons << b->text();
            if (b->text() == press) b->click();
        }
    });
    *answer = tk.messageBox(u"文字"_s, style, title);
    return seen;
}

}  // namespace

TEST(QtToolkit, MessageBoxStylesTitlesAndAnswers) {
    struct Case {
        int style;
        QString title;
        QString press;
        QString shownTitle;
        QMessageBox::Icon icon;
        int buttons;
        int answer;
    };
    const Case cases[] = {
        {0, QString(), u"确定"_s, u"Tarnwick"_s, QMessageBox::NoIcon, 1, tarnwick::vbOK},
        {16, u"提示"_s, u"确定"_s, u"提示"_s, QMessageBox::Critical, 1, tarnwick::vbOK},
        {64, u"连接提示"_s, u"确定"_s, u"连接提示"_s, QMessageBox::Information, 1, tarnwick::vbOK},
        {65, u"提示"_s, u"确定"_s, u"提示"_s, QMessageBox::Information, 2, tarnwick::vbOK},
        {65, u"提示"_s, u"取消"_s, u"提示"_s, QMessageBox::Information, 2, tarnwick::vbCancel},
        {308, u"提示"_s, u"是"_s, u"提示"_s, QMessageBox::Warning, 2, tarnwick::vbYes},
        {308, u"提示"_s, u"否"_s, u"提示"_s, QMessageBox::Warning, 2, tarnwick::vbNo},
    };
    tarnwick::QtToolkit tk;
    for (const Case& c : cases) {
        int answer = 0;
        const BoxSeen seen = showBox(tk, c.style, c.title, c.press, &answer);
        EXPECT_EQ(seen.title, c.shownTitle) << c.style;
        EXPECT_EQ(seen.text, u"文字"_s);
        EXPECT_EQ(seen.icon, c.icon) << c.style;
        EXPECT_EQ(seen.buttons.size(), c.buttons) << c.style;
        EXPECT_EQ(answer, c.answer) << c.style << " " << c.press.toStdString();
    }
}

TEST(QtToolkit, EscapeOnAnOkCancelBoxAnswersCancel) {
    tarnwick::QtToolkit tk;
    whenModalOpens([](QWidget* modal) { static_cast<QMessageBox*>(modal)->reject(); });
    EXPECT_EQ(tk.messageBox(u"?"_s, tarnwick::vbOKCancelInformation, u"提示"_s),
              tarnwick::vbCancel);
}

// Enter presses the default button and Esc the escape button: both say no to a data-loss question.
TEST(QtToolkit, EnterAndEscapeOnAYesNoBoxAnswerNo) {
    tarnwick::QtToolkit tk;
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        QString focused;
        whenModalOpens([&](QWidget* modal) {
            auto* box = static_cast<QMessageBox*>(modal);
            focused = box->defaultButton() ? box->defaultButton()->text() : QString();
            QTest::keyClick(box, key);
        });
        EXPECT_EQ(tk.messageBox(u"?"_s, tarnwick::vbYesNoWarningDefaultNo, u"提示"_s),
                  tarnwick::vbNo)
            << key;
        EXPECT_EQ(focused, u"否"_s);
    }
}

TEST(QtToolkit, MessageBoxShowsMarkupAsWritten) {
    tarnwick::QtToolkit tk;
    const QString text = u"Incorrect syntax near '<b>x</b>'.<br>"_s;
    Qt::TextFormat format = Qt::AutoText;
    QString shown;
    whenModalOpens([&](QWidget* modal) {
        auto* box = static_cast<QMessageBox*>(modal);
        format = box->textFormat();
        shown = box->text();
        box->accept();
    });
    tk.messageBox(text, tarnwick::vbCritical, u"提示"_s);
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(shown, text);
}

TEST(QtToolkit, FileDialogTakesFiltersIndexAndFolderAndReturnsTheNativePath) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(u"Sales.MDF"_s);
    QFile(file).open(QIODevice::WriteOnly);

    tarnwick::QtToolkit tk;
    QStringList filters;
    QString selectedFilter;
    QString folder;
    QString title;
    whenModalOpens([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        filters = dialog->nameFilters();
        selectedFilter = dialog->selectedNameFilter();
        folder = dialog->directory().absolutePath();
        title = dialog->windowTitle();
        dialog->selectFile(file);
        static_cast<QDialog*>(dialog)->accept();
    });
    const QString chosen = tk.openFileDialog(
        {u"选择数据文件"_s, u"MDF (*.MDF)|*.MDF|LDF (*.LDF)|*.LDF"_s, 2, dir.path(), 4});
    EXPECT_EQ(title, u"选择数据文件"_s);
    EXPECT_EQ(filters, (QStringList{u"MDF (*.MDF)"_s, u"LDF (*.LDF)"_s}));
    EXPECT_EQ(selectedFilter, u"LDF (*.LDF)"_s);
    EXPECT_EQ(folder, QDir(dir.path()).absolutePath());
    EXPECT_EQ(chosen, QDir::toNativeSeparators(file));

    whenModalOpens([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    EXPECT_EQ(tk.openFileDialog({u"t"_s, u"MDF (*.MDF)|*.MDF"_s, 1, dir.path(), 4}), QString());
}

TEST(QtToolkit, FilesAndScreenMetrics) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(u"Result.txt"_s);
    QFile(file).open(QIODevice::WriteOnly);

    tarnwick::QtToolkit tk;
    EXPECT_TRUE(tk.fileExists(file));
    EXPECT_FALSE(tk.fileExists(dir.path()));  // a folder is not a file
    EXPECT_TRUE(tk.deleteFile(file));
    EXPECT_FALSE(tk.fileExists(file));
    EXPECT_FALSE(tk.deleteFile(file));  // gone already: a failure, reported only as false
    EXPECT_FALSE(tk.deleteFile(u"c:\\Result.txt"_s));
    EXPECT_FALSE(tk.programDirectory().isEmpty());

    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const double dpi = screen->logicalDotsPerInchX();
    EXPECT_EQ(tk.twipsToPixelsX(1440), qRound(dpi));
    EXPECT_EQ(tk.screenSizeTwips().width(), qRound(screen->geometry().width() * 1440 / dpi));
    EXPECT_EQ(tk.screenSizeTwips().height(),
              qRound(screen->geometry().height() * 1440 / screen->logicalDotsPerInchY()));
}

// Qt's own texts (the result area's context menu, the file dialog, standard buttons) in Chinese.
TEST(QtTranslations, QtsOwnTextsSpeakChinese) {
    ASSERT_TRUE(tarnwick::installQtTranslations());
    EXPECT_EQ(QCoreApplication::translate("QWidgetTextControl", "&Copy"), u"复制(&C)"_s);
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Open"), u"打开"_s);
}
