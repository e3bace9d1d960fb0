#include "tests/support/TranscriptFile.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace tarnwick::test {

TranscriptFile TranscriptFile::read(const QString& path) {
    TranscriptFile t;
    t.path = path;
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    t.lines = QString::fromUtf8(f.readAll()).split(u'\n');
    if (!t.lines.isEmpty() && t.lines.back().isEmpty()) t.lines.removeLast();
    for (int i = 0; i < t.lines.size(); ++i) {
        const QString& line = t.lines[i];
        if (line.startsWith(u"=== "_s)) {
            t.cases.push_back(TranscriptCase{line.mid(4), {}, {}, i + 1, i + 1});
        } else if (t.cases.empty()) {
            const qsizetype colon = line.indexOf(u": "_s);
            if (!line.startsWith(u'#') && colon > 0)
                t.header[line.left(colon)] = line.mid(colon + 2);
        } else if (line.startsWith(u'<')) {
            TranscriptCase& c = t.cases.back();
            if (c.expected.isEmpty()) c.expectedFrom = i;
            c.expected << line.mid(line.startsWith(u"< "_s) ? 2 : 1);
            c.expectedTo = i + 1;
        } else if (!line.trimmed().isEmpty()) {
            TranscriptCase& c = t.cases.back();
            c.steps << line;
            if (c.expected.isEmpty()) c.expectedFrom = c.expectedTo = i + 1;
        }
    }
    return t;
}

void TranscriptFile::check(const std::vector<QStringList>& answers) {
    if (qEnvironmentVariableIntValue("TRANSCRIPT_UPDATE") != 1) {
        for (size_t k = 0; k < cases.size(); ++k) {
            SCOPED_TRACE(cases[k].title.toStdString());
            EXPECT_EQ(answers[k].join(u'\n').toStdString(),
                      cases[k].expected.join(u'\n').toStdString());
        }
        return;
    }
    // From the last case backwards so the line numbers of earlier cases stay valid.
    for (size_t k = cases.size(); k-- > 0;) {
        QStringList answer;
        for (const QString& a : answers[k]) answer << u"< "_s + a;
        lines = lines.mid(0, cases[k].expectedFrom) + answer + lines.mid(cases[k].expectedTo);
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write((lines.join(u'\n') + u'\n').toUtf8());
}

std::vector<QString> transcriptNames(const QString& folder) {
    const QDir dir(QStringLiteral(TARNWICK_TEST_DATA "/") + folder);
    std::vector<QString> names;
    for (const QString& name : dir.entryList({u"*.txt"_s}, QDir::Files, QDir::Name))
        names.push_back(name);
    return names;
}

}  // namespace tarnwick::test
