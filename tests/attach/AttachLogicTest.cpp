// The attach statements and queries as golden strings, and how paths are taken apart.

#include "attach/AttachPaths.h"
#include "attach/AttachStatements.h"
#include "attach/PrimaryFileListing.h"
#include "operations/SqlText.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace Qt::StringLiterals;

TEST(AttachStatements, PiecesJoinedWithoutBlanksNamesAndPathsAsTheyStand) {
    struct Case {
        QString statement;
        QString expected;
    };
    const Case cases[] = {
        {attach::singleFileAttachStatement(u"Inventory"_s, u"C:\\Attach\\Inventory.MDF"_s),
         u"EXEC sp_attach_single_file_db @dbname = 'Inventory',@physname = 'C:\\Attach\\Inventory.MDF'"_s},
        {attach::twoFileAttachStatement(u"市场 调查"_s, u"/srv/a b/市场.MDF"_s,
                                        u"/srv/a b/市场.LDF"_s),
         u"EXEC sp_attach_db @dbname = N'市场 调查',@filename1 = N'/srv/a b/市场.MDF',"
         u"@filename2 = N'/srv/a b/市场.LDF'"_s},
        {attach::twoFileAttachStatement(u"O'Brien"_s, u"C:\\O'B.MDF"_s, QString()),
         u"EXEC sp_attach_db @dbname = N'O'Brien',@filename1 = N'C:\\O'B.MDF',@filename2 = N''"_s},
        {attach::filesAttachStatement(u"O'B"_s, {u"C:\\A.MDF"_s, u"C:\\A.LDF"_s, u"C:\\A.NDF"_s}),
         u"EXEC sp_attach_db @dbname = N'O'B',@filename1 = N'C:\\A.MDF',@filename2 = N'C:\\A.LDF',"
         u"@filename3 = N'C:\\A.NDF'"_s},
        {tarnwick::unicodeLiteral(u"C:\\O'Brien\\''.MDF"_s), u"N'C:\\O''Brien\\''''.MDF'"_s},
        {attach::checkPrimaryFileQuery(u"C:\\Attach\\A.MDF"_s, 3),
         u"dbcc checkprimaryfile (N'C:\\Attach\\A.MDF', 3)"_s},
        {attach::checkPrimaryFileQuery(u" /srv/A.MDF"_s, 2),
         u"dbcc checkprimaryfile (N' /srv/A.MDF', 2)"_s},
    };
    for (const Case& c : cases) EXPECT_EQ(c.statement, c.expected);
}

TEST(AttachPaths, FileNameIsWhatFollowsTheLastSeparator) {
    const std::pair<QString, QString> cases[] = {
        {u"C:\\Attach\\Old_Data.MDF"_s, u"Old_Data.MDF"_s},
        {u"/srv/attach/Old.MDF"_s, u"Old.MDF"_s},  // '/' is the native separator here
        {u"/srv/mixed\\Old.MDF"_s, u"Old.MDF"_s},
        {u"C:\\dir/sub\\"_s, u""_s},
        {u"D:\\旧数据\\市场 调查.MDF"_s, u"市场 调查.MDF"_s},
    };
    for (const auto& [path, name] : cases) EXPECT_EQ(attach::fileNameOf(path), name);
    EXPECT_THROW(attach::fileNameOf(u"Old.MDF"_s), std::invalid_argument);
    EXPECT_THROW(attach::fileNameOf(QString()), std::invalid_argument);
}

TEST(AttachPaths, TrimBlanksLeavesTabsAndLineEnds) {
    EXPECT_EQ(attach::trimBlanks(u"  a b  "_s), u"a b"_s);
    EXPECT_EQ(attach::trimBlanks(u"\ta\r\n "_s), u"\ta\r\n"_s);
}

// sp_attach_db takes 16 files: the chosen file and the first 15 others that exist.
TEST(PrimaryFileAttachStatement, NamesSixteenFilesAtMost) {
    QList<attach::ListedFile> files;
    for (int i = 1; i <= 18; ++i)
        files.append({i == 2 ? u"不存在"_s : u"正确"_s, {}, u"C:\\F%1"_s.arg(i)});
    const QString statement = attach::primaryFileAttachStatement(u"Big"_s, files);
    EXPECT_TRUE(statement.endsWith(u",@filename16 = N'C:\\F17'"_s)) << statement.toStdString();
    EXPECT_FALSE(statement.contains(u"N'C:\\F2'"_s));
    EXPECT_FALSE(statement.contains(u"@filename17"_s));
}
