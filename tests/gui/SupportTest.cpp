// Helpers without a window of their own: file filters, twips, the FreeTDS configuration reader,
// the wait panel's place, the result area's display text, pictures and fonts.

#include "connection/login/ServerCandidates.h"
#include "mainwindow/ResultArea.h"
#include "mainwindow/frmMain.h"
#include "tests/support/GuiTestHelpers.h"
#include "toolkit/ElapsedText.h"
#include "toolkit/FileFilter.h"
#include "toolkit/Pictures.h"
#include "toolkit/Twips.h"
#include "toolkit/WindowFont.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>

#include <QFile>
#include <QFontInfo>
#include <QTemporaryDir>
#include <QTextDocument>

using namespace Qt::StringLiterals;

TEST(FileFilter, TurnsPipeSeparatedFiltersIntoQtNameFilters) {
    struct Case {
        QString in;
        QStringList out;
    };
    const Case cases[] = {
        {u"MDF (*.MDF)|*.MDF"_s, {u"MDF (*.MDF)"_s}},
        {u"数据文件|*.mdf"_s, {u"数据文件 (*.mdf)"_s}},
        {u"MDF (*.MDF)|*.MDF|LDF (*.LDF)|*.LDF"_s, {u"MDF (*.MDF)"_s, u"LDF (*.LDF)"_s}},
        {u"Data|*.mdf;*.ndf|All|*.*"_s, {u"Data (*.mdf *.ndf)"_s, u"All (*.*)"_s}},
        {u"|*.mdf"_s, {u"(*.mdf)"_s}},
        {QString(), {}},
        {u"no pattern"_s, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(tarnwick::qtNameFilters(c.in), c.out) << c.in.toStdString();
}

TEST(Twips, ConvertsAtTheGivenDpiAndRounds) {
    EXPECT_EQ(tarnwick::twipsToPixels(1440, 96), 96);
    EXPECT_EQ(tarnwick::twipsToPixels(5115, 96), 341);
    EXPECT_EQ(tarnwick::twipsToPixels(5115, 192), 682);
    EXPECT_EQ(tarnwick::twipsToPixels(307, 96), 20);  // 20.47
    EXPECT_EQ(tarnwick::twipsToPixels(1440, 120), 120);
    EXPECT_EQ(tarnwick::pixelsToTwips(1920, 96), 28800);
    EXPECT_EQ(tarnwick::pixelsToTwips(1080, 144), 10800);
    EXPECT_EQ(tarnwick::pixelsToTwips(10, 0), 0);
}

TEST(WaitPanel, SitsCentredAtAThirdOfTheFreeHeight) {
    struct Case {
        QSize screen;
        QPoint at;
    };
    const Case cases[] = {
        {{28800, 16200}, {11633, 5075}},  // 11632.5 rounds up
        {{15360, 11520}, {4913, 3515}},
        {{5535, 975}, {0, 0}},
        {{4000, 900}, {-768, -25}},  // a screen smaller than the panel puts it off the left edge
    };
    for (const Case& c : cases)
        EXPECT_EQ(waitPanelPositionTwips(c.screen, {5535, 975}), c.at)
            << c.screen.width() << "x" << c.screen.height();
}

TEST(FreeTdsConf, ListsServerSectionsWithTheirHostsAndSkipsGlobal) {
    const QString conf =
        u"# comment\n[global]\n\ttds version = auto\n\thost = ignored\n"
        u"[egServer50]\n\thost = symachine.domain.com\n\tport = 5000\n"
        u"; another comment\n[ Sales Server ]\r\n  Host=10.0.0.5  \r\n"
        u"[NoHost]\n\tport = 1433\n[GLOBAL]\n\thost = again\n"_s;
    const QList<ModSelServer::ServerCandidate> expected{
        {u"egServer50"_s, u"symachine.domain.com"_s},
        {u"Sales Server"_s, u"10.0.0.5"_s},
        {u"NoHost"_s, QString()},
    };
    EXPECT_EQ(ModSelServer::parseFreeTdsConf(conf), expected);
    EXPECT_TRUE(ModSelServer::parseFreeTdsConf(QString()).isEmpty());
}

// The user's file, then the one FREETDSCONF names, then the system's; this computer comes first as
// "(local)", a server configured twice is offered once, and the example sections the FreeTDS
// configuration ships with are not offered while their placeholder hosts stand.
TEST(ServerCandidates, ThisComputerFirstThenConfiguredServersEachNameOnce) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QFile user(home.filePath(u".freetds.conf"_s));
    ASSERT_TRUE(user.open(QIODevice::WriteOnly));
    user.write(
        "[global]\n\tport = 1433\n[egServer50]\n\thost = symachine.domain.com\n"
        "[Sales]\n\thost = 10.0.0.5\n[SALES]\n\thost = other\n");
    user.close();
    QFile extra(home.filePath(u"extra.conf"_s));
    ASSERT_TRUE(extra.open(QIODevice::WriteOnly));
    extra.write(
        "[Archive]\n\thost = archive.local\n[Sales]\n\thost = again\n"
        "[egServer73]\n\thost = sql2000.example\n");
    extra.close();

    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldConf = qgetenv("FREETDSCONF");
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("FREETDSCONF", home.filePath(u"extra.conf"_s).toLocal8Bit());
    const QStringList paths = ModSelServer::freeTdsConfPaths();
    const QList<ModSelServer::ServerCandidate> found = ModSelServer::serverCandidates();
    qputenv("HOME", oldHome);
    if (oldConf.isNull())
        qunsetenv("FREETDSCONF");
    else
        qputenv("FREETDSCONF", oldConf);

    EXPECT_EQ(paths, (QStringList{home.filePath(u".freetds.conf"_s), home.filePath(u"extra.conf"_s),
                                  u"/etc/freetds/freetds.conf"_s}));
    ASSERT_GE(found.size(), 4);
    EXPECT_EQ(found[0], (ModSelServer::ServerCandidate{u"(local)"_s, u"本计算机"_s}));
    EXPECT_EQ(found[1], (ModSelServer::ServerCandidate{u"Sales"_s, u"10.0.0.5"_s}));
    EXPECT_EQ(found[2], (ModSelServer::ServerCandidate{u"Archive"_s, u"archive.local"_s}));
    // An example section whose host a user changed is the user's own.
    EXPECT_EQ(found[3], (ModSelServer::ServerCandidate{u"egServer73"_s, u"sql2000.example"_s}));
    QStringList names;
    for (const auto& c : found) names << c.name.toLower();
    EXPECT_EQ(names.count(u"sales"_s), 1);
    EXPECT_EQ(names.count(u"egserver50"_s), 0);
}

TEST(ResultArea, KeepsTheExactTextAndShowsEveryLineEndAsABreak) {
    // The text comes back exactly, whole or in pieces split anywhere (a CR LF included), and
    // the lines shown are the same either way.
    struct Case {
        QString text;
        QString shown;
    };
    const Case cases[] = {
        {u""_s, u""_s},
        {u"第一条\r第二条\r\n第三条\r\r\n"_s, u"第一条\n第二条\n第三条\n\n"_s},
        {u"a\n\rb"_s, u"a\n\nb"_s},
        {u"no end"_s, u"no end"_s},
        {u"\r\r\n\n\r"_s, u"\n\n\n\n"_s},
        {u"nul\0x\u2028y\u2029z\ufdd0w\ufdd1\u00a0\r"_s, QString()},
        {u"错误信息x\r\n"_s, u"错误信息x\n"_s},
    };
    for (const Case& c : cases) {
        ResultArea whole;
        whole.setResultText(c.text);
        EXPECT_EQ(whole.resultText(), c.text);
        if (!c.shown.isNull()) {
            EXPECT_EQ(whole.toPlainText(), c.shown);
        }
        for (qsizetype split = 0; split <= c.text.size(); ++split) {
            ResultArea area;
            area.setResultText(u"before"_s);
            QStringList pieces = {c.text.left(split), c.text.mid(split)};
            area.setResultTextInPieces([&](QString& piece) {
                if (pieces.isEmpty()) return false;
                piece = pieces.takeFirst();
                return true;
            });
            EXPECT_EQ(area.resultText(), c.text) << split;
            EXPECT_EQ(area.toPlainText(), whole.toPlainText()) << split;
            EXPECT_EQ(area.document()->blockCount(), whole.document()->blockCount()) << split;
        }
    }

    // A failure while the pieces come leaves the text as it was.
    ResultArea area;
    area.setResultText(u"kept\r\n"_s);
    int calls = 0;
    EXPECT_THROW(area.setResultTextInPieces([&](QString& piece) {
        if (++calls > 1) throw std::runtime_error("lost");
        piece = u"partial\r"_s;
        return true;
    }),
                 std::runtime_error);
    EXPECT_EQ(area.resultText(), u"kept\r\n"_s);
    EXPECT_EQ(area.toPlainText(), u"kept\n"_s);
    area.setResultText(QString());
    EXPECT_TRUE(area.toPlainText().isEmpty());
}

TEST(Pictures, AreCompiledInAtTheirSizes) {
    EXPECT_EQ(tarnwick::nodePicture(1).size(), QSize(16, 16));
    EXPECT_EQ(tarnwick::nodePicture(2).size(), QSize(16, 16));
    EXPECT_NE(tarnwick::nodePicture(1).toImage(), tarnwick::nodePicture(2).toImage());
    EXPECT_EQ(tarnwick::browsePicture().size(), QSize(16, 16));
    EXPECT_FALSE(tarnwick::waitPicture().isNull());
    EXPECT_FALSE(tarnwick::windowIcon().isNull());
}

TEST(WindowFont, AsksForSongWithMingFallbacks) {
    const QFont font = tarnwick::windowFont();
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 10.5);
    EXPECT_EQ(font.families().value(0), u"宋体"_s);
    EXPECT_TRUE(font.families().contains(u"SimSun"_s));
    EXPECT_TRUE(font.families().contains(u"AR PL UMing CN"_s));
    EXPECT_DOUBLE_EQ(tarnwick::windowFont(9).pointSizeF(), 9.0);
    // On this machine the Ming face is what actually draws the text.
    EXPECT_TRUE(QFontInfo(font).family().startsWith(u"AR PL UMing"_s))
        << QFontInfo(font).family().toStdString();
}

// The wait panels' and the command line's elapsed time: minutes and seconds, from an hour on
// hours too.
TEST(ElapsedTextTest, MinutesAndSecondsThenHoursMinutesAndSeconds) {
    const std::pair<qint64, const char*> rows[] = {
        {0, "00:00"},           {999, "00:00"},           {1000, "00:01"},
        {59'999, "00:59"},      {60'000, "01:00"},        {3'599'999, "59:59"},
        {3'600'000, "1:00:00"}, {36'309'000, "10:05:09"}, {-5, "00:00"},
    };
    for (const auto& [milliseconds, text] : rows)
        EXPECT_EQ(tarnwick::elapsedText(milliseconds), QString::fromLatin1(text)) << milliseconds;
}
