// The failure report a check or repair appends to what the result area already holds. The
// statements themselves are recorded, byte for byte, in the run transcripts (tests/data/runs).

#include "operations/CaptureStatements.h"
#include "tests/support/GTestQtPrinters.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using tarnwick::capture::withFailureReport;

TEST(FailureReport, FollowsTheTextDirectly) {
    EXPECT_EQ(withFailureReport(QString(), u"Boom."_s), u"错误信息Boom.\r\n"_s);
    EXPECT_EQ(withFailureReport(u"a\rb\r"_s, u"Boom."_s), u"a\rb\r错误信息Boom.\r\n"_s);
    EXPECT_EQ(withFailureReport(u"错误信息x\r\n"_s, QString()), u"错误信息x\r\n错误信息\r\n"_s);
}
