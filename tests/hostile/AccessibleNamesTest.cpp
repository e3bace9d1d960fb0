// Every widget a user reaches in the login window and the main window has a name that a screen
// reader can speak: its caption or an accessible name saying what it is for.

#include "attach/frmAttch7.h"
#include "attach/frmFile.h"
#include "connection/login/frmLogin.h"
#include "mainwindow/frmMain.h"
#include "tests/gui/MainWindowFakes.h"
#include "tests/support/AccessibleNames.h"
#include "tests/support/RecordingToolkit.h"

#include <gtest/gtest.h>

#include "tests/support/GTestQtPrinters.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTreeWidget>

using namespace Qt::StringLiterals;
using tarnwick::test::accessibleNameOf;
using tarnwick::test::widgetsWithoutAccessibleName;

TEST(AccessibleNamesTest, LoginWindowNamesEveryReachableWidget) {
    frmLogin w;
    EXPECT_EQ(widgetsWithoutAccessibleName(&w), QStringList());
    // The boxes are named after their labels, not after what is typed into them.
    w.txtPass->setText(u"secret"_s);
    EXPECT_EQ(accessibleNameOf(w.txtPass), u"SA密码"_s);
    EXPECT_EQ(accessibleNameOf(w.txtServer), u"服务器"_s);
}

TEST(AccessibleNamesTest, MainWindowNamesEveryReachableWidgetEvenWithoutDatabases) {
    for (const QStringList& databases : {QStringList{u"a"_s}, QStringList()}) {
        tarnwick::test::RecordingToolkit toolkit;
        FakeServer server;
        server.databases = databases;
        frmMain w(server.services());
        w.Form_Load();
        EXPECT_EQ(widgetsWithoutAccessibleName(&w), QStringList());
        // The database box is named for its purpose, not after the database it shows.
        EXPECT_EQ(accessibleNameOf(w.Combo_DB), u"请选择您要操作的数据库"_s);
    }
}

TEST(AccessibleNamesTest, AttachWindowsNameEveryReachableWidget) {
    frmFile primaryFile;
    EXPECT_EQ(widgetsWithoutAccessibleName(&primaryFile), QStringList());
    frmAttch7 dataAndLog;
    EXPECT_EQ(widgetsWithoutAccessibleName(&dataAndLog), QStringList());
}
