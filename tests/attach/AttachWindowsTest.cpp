// Which attach window the attach operation opens, and that each opening starts afresh.

#include "attach/AttachWindows.h"
#include "tests/support/RecordingToolkit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTimer>

using namespace Qt::StringLiterals;

TEST(AttachWindowChoice, OnlyTheExactSql2000TextOpensThePrimaryFileWindow) {
    using attach::AttachWindow;
    const std::pair<QString, AttachWindow> cases[] = {
        {u"Microsoft SQL Server  2000"_s, AttachWindow::PrimaryFile},
        {u"Microsoft SQL Server  7.00"_s, AttachWindow::DataAndLogFiles},
        {u"Microsoft SQL Server 2000"_s, AttachWindow::DataAndLogFiles},    // one blank
        {u"Microsoft SQL Server  2000 "_s, AttachWindow::DataAndLogFiles},  // trailing blank
        {u"microsoft sql server  2000"_s, AttachWindow::DataAndLogFiles},
        {u""_s, AttachWindow::DataAndLogFiles},
    };
    for (const auto& [version, expected] : cases)
        EXPECT_EQ(attach::attachWindowFor(version), expected) << version.toStdString();
}

TEST(AttachWindowChoice, ShowsAFreshOwnerlessModalWindowEachTime) {
    tarnwick::test::RecordingToolkit toolkit;
    struct Seen {
        QString name;
        bool modal = false;
        bool owned = true;
        QString name0;
    };
    std::vector<Seen> seen;
    auto closeWhenShown = [&] {
        QTimer::singleShot(0, [&] {
            auto* w = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(w, nullptr);
            auto* name = w->findChild<QLineEdit*>(u"txtDBName"_s);
            seen.push_back(
                {w->objectName(), w->isModal(), w->parentWidget() != nullptr, name->text()});
            name->setText(u"left behind"_s);
            w->reject();
        });
    };
    const QString versions[] = {u"Microsoft SQL Server  2000"_s, u"Microsoft SQL Server  2000"_s,
                                u"Microsoft SQL Server  7.00"_s};
    for (const QString& version : versions) {
        closeWhenShown();
        attach::ShowAttachWindow(version);
    }
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].name, u"frmFile"_s);
    EXPECT_EQ(seen[1].name, u"frmFile"_s);
    EXPECT_EQ(seen[2].name, u"frmAttch7"_s);
    for (const Seen& s : seen) {
        EXPECT_TRUE(s.modal);
        EXPECT_FALSE(s.owned);
        EXPECT_EQ(s.name0, QString());  // nothing of the previous window remains
    }
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty() ||
                std::none_of(QApplication::topLevelWidgets().cbegin(),
                             QApplication::topLevelWidgets().cend(),
                             [](QWidget* w) { return w->objectName().startsWith(u"frm"_s); }));
}
