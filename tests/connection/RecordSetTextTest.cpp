// The in-memory side of RecordSet: the whole-set text, moves, fields and the flags.

#include "connection/DbError.h"
#include "connection/RecordSet.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using tarnwick::DbError;
using tarnwick::RecordSet;

namespace {

const QString cr = u"\r"_s;

TEST(RecordSetText, EveryRowEndsWithTheRowDelimiterAndNullsBecomeTheNullText) {
    struct Case {
        const char* name;
        QVector<QVector<QVariant>> rows;
        QString expected;
    };
    const Case cases[] = {
        {"no rows", {}, u""_s},
        {"one row", {{u"a"_s}}, u"a\r"_s},
        {"messages", {{u"first"_s}, {u"second"_s}, {u"third"_s}}, u"first\rsecond\rthird\r"_s},
        {"null", {{u"a"_s}, {QVariant()}, {u"c"_s}}, u"a\r\rc\r"_s},
        {"empty text", {{u""_s}, {u"x"_s}}, u"\rx\r"_s},
        {"columns", {{u"a"_s, 1, QVariant()}, {u"b"_s, 2, u"z"_s}}, u"a\r1\r\rb\r2\rz\r"_s},
        {"blanks kept", {{u"pad   "_s}, {u"  lead"_s}}, u"pad   \r  lead\r"_s},
        {"chinese", {{u"检测完成"_s}}, u"检测完成\r"_s},
    };
    for (const Case& c : cases) {
        RecordSet set = RecordSet::fromRows(c.rows);
        EXPECT_EQ(set.getString(cr, cr, u""_s), c.expected) << c.name;
        EXPECT_TRUE(set.eof()) << c.name;
        // In pieces of whole rows, at least one each: joined they are the same text.
        for (const qsizetype pieceChars : {1, 4}) {
            RecordSet inPieces = RecordSet::fromRows(c.rows);
            QString joined;
            QString piece;
            while (inPieces.getStringPiece(piece, cr, cr, u""_s, pieceChars)) {
                EXPECT_TRUE(piece.endsWith(cr)) << c.name;
                joined += piece;
            }
            EXPECT_TRUE(piece.isEmpty()) << c.name;
            EXPECT_EQ(joined, c.expected) << c.name << " in pieces of " << pieceChars;
        }
    }
}

TEST(RecordSetText, OtherDelimitersAndNullText) {
    RecordSet set = RecordSet::fromRows({{u"a"_s, QVariant()}, {u"b"_s, 7}});
    EXPECT_EQ(set.getString(u","_s, u"\r\n"_s, u"NULL"_s), u"a,NULL\r\nb,7\r\n"_s);
}

TEST(RecordSetText, StartsAtTheCurrentRow) {
    RecordSet set = RecordSet::fromRows({{u"a"_s}, {u"b"_s}, {u"c"_s}});
    set.moveNext();
    EXPECT_EQ(set.getString(cr, cr, u""_s), u"b\rc\r"_s);
    EXPECT_EQ(set.getString(cr, cr, u""_s), u""_s);  // already at the end
    set.moveFirst();
    EXPECT_EQ(set.getString(cr, cr, u""_s), u"a\rb\rc\r"_s);
}

TEST(RecordSetMoves, FlagsCountAndFields) {
    RecordSet empty = RecordSet::fromRows({});
    EXPECT_TRUE(empty.eof());
    EXPECT_TRUE(empty.bof());
    EXPECT_EQ(empty.recordCount(), 0);
    EXPECT_THROW(empty.field(0), DbError);
    EXPECT_THROW(empty.moveNext(), DbError);

    RecordSet set = RecordSet::fromRows({{u"a"_s, 1}, {QVariant(), 2}});
    EXPECT_FALSE(set.eof());
    EXPECT_FALSE(set.bof());
    EXPECT_EQ(set.recordCount(), 2);
    EXPECT_EQ(set.field(0), QVariant(u"a"_s));
    EXPECT_EQ(set.field(1).toInt(), 1);
    EXPECT_THROW(set.field(2), DbError);
    EXPECT_THROW(set.field(-1), DbError);
    set.moveNext();
    EXPECT_TRUE(set.field(0).isNull());
    set.moveNext();
    EXPECT_TRUE(set.eof());
    EXPECT_FALSE(set.bof());
    EXPECT_THROW(set.field(0), DbError);
    EXPECT_THROW(set.moveNext(), DbError);
    set.moveFirst();
    EXPECT_EQ(set.field(1).toInt(), 1);
}

TEST(RecordSetMoves, AClosedSetRaises) {
    RecordSet set = RecordSet::fromRows({{u"a"_s}});
    set.close();
    EXPECT_FALSE(set.isOpen());
    EXPECT_THROW(set.eof(), DbError);
    EXPECT_THROW(set.recordCount(), DbError);
    EXPECT_THROW(set.field(0), DbError);
    EXPECT_THROW(set.getString(cr, cr, u""_s), DbError);
}

}  // namespace
