// The server file browser offscreen, over a fake of the server's disks: what it lists and in
// which order, how a path typed in the path box is chosen or opened, the mouse path from the drive
// list to a file, and what a refused procedure leaves working.

#include "toolkit/ServerFileBrowser.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QPushButton>
#include <QTest>

#include <stdexcept>

using namespace Qt::StringLiterals;
using tarnwick::ServerFileBrowser;

namespace {

// Folders by path (ending with '\'), each with its entries in the server's order; a name ending
// with '\' is a folder.
class FakeDisks final : public tarnwick::ServerFiles {
public:
    QMap<QString, QStringList> folders{
        {u"C:\\"_s, {u"Attach\\"_s, u"Program Files\\"_s, u"boot.ini"_s}},
        {u"C:\\Attach\\"_s,
         {u"Archive_Data.MDF"_s, u"Archive_Log.LDF"_s, u"old\\"_s, u"sales.mdf"_s}},
        {u"D:\\"_s, {}},
    };
    QString refuse;  // "drives", "entries" or "state": that call fails with refusal
    QString refusal =
        u"EXECUTE permission denied on object 'xp_fixeddrives', database 'master', owner 'dbo'."_s;
    QStringList calls;

    QStringList drives() override {
        calls << u"drives"_s;
        if (refuse == u"drives") throw std::runtime_error(refusal.toStdString());
        return {u"C:\\"_s, u"D:\\"_s};
    }
    QList<tarnwick::ServerFileEntry> entries(const QString& folder) override {
        calls << u"entries "_s + folder;
        if (refuse == u"entries") throw std::runtime_error(refusal.toStdString());
        QList<tarnwick::ServerFileEntry> found;
        for (const QString& name : folders.value(folder))
            found.append({name.endsWith(u'\\') ? name.chopped(1) : name, !name.endsWith(u'\\')});
        return found;
    }
    tarnwick::ServerPathState pathState(const QString& path) override {
        calls << u"state "_s + path;
        if (refuse == u"state") throw std::runtime_error(refusal.toStdString());
        tarnwick::ServerPathState state;
        state.isDirectory = folders.contains(path + u'\\');
        return state;
    }
};

QStringList listed(const ServerFileBrowser& browser) {
    QStringList names;
    for (int i = 0; i < browser.list->count(); ++i) names << browser.list->item(i)->text();
    return names;
}

QListWidgetItem* itemNamed(const ServerFileBrowser& browser, const QString& name) {
    const auto found = browser.list->findItems(name, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.first();
}

void doubleClick(ServerFileBrowser& browser, const QString& name) {
    QListWidgetItem* item = itemNamed(browser, name);
    ASSERT_NE(item, nullptr) << name.toStdString();
    const QRect area = browser.list->visualItemRect(item);
    QTest::mouseClick(browser.list->viewport(), Qt::LeftButton, {}, area.center());
    QTest::mouseDClick(browser.list->viewport(), Qt::LeftButton, {}, area.center());
}

tarnwick::FileDialogRequest request(const QString& filter = u"MDF (*.MDF)|*.MDF"_s) {
    tarnwick::FileDialogRequest r;
    r.title = u"请选择要附加的文件"_s;
    r.filter = filter;
    r.filterIndex = 1;
    return r;
}

class ServerFileBrowserTest : public ::testing::Test {
protected:
    void open(const tarnwick::FileDialogRequest& r = request()) {
        browser = std::make_unique<ServerFileBrowser>(disks, r);
        browser->show();
        QApplication::setActiveWindow(browser.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(browser.get()));
    }
    void type(const QString& path) {
        browser->pathBox->clear();
        QTest::keyClicks(browser->pathBox, path);
        QTest::keyClick(browser->pathBox, Qt::Key_Return);
    }

    FakeDisks disks;
    std::unique_ptr<ServerFileBrowser> browser;
};

}  // namespace

TEST_F(ServerFileBrowserTest, OpensOnTheDrivesWithThePathBoxFocused) {
    open();
    EXPECT_EQ(browser->windowTitle(), u"请选择要附加的文件"_s);
    EXPECT_EQ(listed(*browser), (QStringList{u"C:\\"_s, u"D:\\"_s}));
    EXPECT_EQ(QApplication::focusWidget(), browser->pathBox);
    EXPECT_FALSE(browser->upButton->isEnabled());
    EXPECT_EQ(browser->filterBox->currentText(), u"MDF (*.MDF)"_s);
    EXPECT_FALSE(browser->messageLine->isVisible());
}

TEST_F(ServerFileBrowserTest, MouseFromTheDrivesToAFile) {
    open();
    doubleClick(*browser, u"C:\\"_s);
    // Folders first, then the files the filter lets through, compared without case.
    EXPECT_EQ(listed(*browser), (QStringList{u"Attach"_s, u"Program Files"_s}));
    doubleClick(*browser, u"Attach"_s);
    EXPECT_EQ(browser->folder(), u"C:\\Attach\\"_s);
    EXPECT_EQ(browser->pathBox->text(), u"C:\\Attach\\"_s);
    EXPECT_EQ(listed(*browser), (QStringList{u"old"_s, u"Archive_Data.MDF"_s, u"sales.mdf"_s}));
    QTest::mouseClick(browser->list->viewport(), Qt::LeftButton, {},
                      browser->list->visualItemRect(itemNamed(*browser, u"sales.mdf"_s)).center());
    EXPECT_EQ(browser->pathBox->text(), u"C:\\Attach\\sales.mdf"_s);
    doubleClick(*browser, u"Archive_Data.MDF"_s);
    EXPECT_EQ(browser->result(), QDialog::Accepted);
    EXPECT_EQ(browser->chosenPath(), u"C:\\Attach\\Archive_Data.MDF"_s);
    EXPECT_EQ(disks.calls,
              (QStringList{u"drives"_s, u"entries C:\\"_s, u"entries C:\\Attach\\"_s}));
}

TEST_F(ServerFileBrowserTest, TheLogFilterAsStoredListsLogFiles) {
    open(request(u"MDF (*.LDF)|*.LDF"_s));
    EXPECT_EQ(browser->filterBox->currentText(), u"MDF (*.LDF)"_s);
    browser->openFolder(u"C:\\Attach\\"_s);
    EXPECT_EQ(listed(*browser), (QStringList{u"old"_s, u"Archive_Log.LDF"_s}));
}

TEST_F(ServerFileBrowserTest, ThePathBoxChoosesOrOpensWhatIsTyped) {
    struct Case {
        const char* what;
        QString typed;
        QString chosen;  // empty: the browser stays open on folder
        QString folder;
    };
    const Case cases[] = {
        {"a file the listing shows",
         u"C:\\Attach\\Archive_Data.MDF"_s,
         u"C:\\Attach\\Archive_Data.MDF"_s,
         {}},
        {"a path no listing shows, blanks around it",
         u"  E:\\Hidden\\X.MDF "_s,
         u"E:\\Hidden\\X.MDF"_s,
         {}},
        {"a folder with its separator", u"C:\\Attach\\"_s, {}, u"C:\\Attach\\"_s},
        {"a folder without it: the server says it is one", u"C:\\Attach"_s, {}, u"C:\\Attach\\"_s},
        {"a drive alone", u"d:"_s, {}, u"d:\\"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        open();
        type(c.typed);
        if (c.chosen.isEmpty()) {
            EXPECT_TRUE(browser->isVisible());
            EXPECT_EQ(browser->folder(), c.folder);
        } else {
            EXPECT_EQ(browser->result(), QDialog::Accepted);
            EXPECT_EQ(browser->chosenPath(), c.chosen);
        }
    }
}

TEST_F(ServerFileBrowserTest, RefusedProceduresLeaveThePathBoxWorking) {
    disks.refuse = u"drives"_s;
    open();
    EXPECT_TRUE(browser->messageLine->isVisible());
    EXPECT_EQ(browser->messageLine->text(),
              u"无法列出服务器上的驱动器：EXECUTE permission denied on object 'xp_fixeddrives', "
              u"database 'master', owner 'dbo'."_s);
    EXPECT_EQ(browser->list->count(), 0);

    disks.refuse = u"entries"_s;
    disks.refusal = u"Could not find stored procedure 'master..xp_dirtree'."_s;
    type(u"C:\\Attach\\"_s);
    EXPECT_EQ(browser->messageLine->text(),
              u"无法列出 C:\\Attach\\ 中的文件：Could not find stored procedure "
              u"'master..xp_dirtree'."_s);

    disks.refuse = u"state"_s;
    type(u"C:\\Attach\\Archive_Data.MDF"_s);
    EXPECT_EQ(browser->result(), QDialog::Accepted);
    EXPECT_EQ(browser->chosenPath(), u"C:\\Attach\\Archive_Data.MDF"_s);
}

TEST_F(ServerFileBrowserTest, UpClimbsToTheDrivesAndCancelChoosesNothing) {
    open();
    browser->openFolder(u"C:\\Attach\\"_s);
    QTest::mouseClick(browser->upButton, Qt::LeftButton);
    EXPECT_EQ(browser->folder(), u"C:\\"_s);
    QTest::mouseClick(browser->upButton, Qt::LeftButton);
    EXPECT_EQ(browser->folder(), QString());
    EXPECT_EQ(listed(*browser), (QStringList{u"C:\\"_s, u"D:\\"_s}));
    QTest::mouseClick(browser->cancelButton, Qt::LeftButton);
    EXPECT_EQ(browser->result(), QDialog::Rejected);
    EXPECT_EQ(browser->chosenPath(), QString());
}
