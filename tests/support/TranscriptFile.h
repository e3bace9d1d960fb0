#pragma once
// The file format the transcript tests share: a header of "key: value" lines, then cases, each a
// "=== title" line, its step lines, and the expected answer as "< " lines. A runner turns the step
// lines into actions and the answer into lines; with TRANSCRIPT_UPDATE=1 it writes the answers it
// got back into the file instead of comparing (review the diff before committing).

#include <QString>
#include <QStringList>

#include <map>
#include <vector>

namespace tarnwick::test {

struct TranscriptCase {
    QString title;
    QStringList steps;     // the lines between the title and the answer, blank lines left out
    QStringList expected;  // the answer lines without their "< "
    int expectedFrom = 0;  // where the answer lies in the file's lines
    int expectedTo = 0;
};

struct TranscriptFile {
    QString path;
    std::map<QString, QString> header;  // "scenario", "sa password", ...
    QStringList lines;
    std::vector<TranscriptCase> cases;

    static TranscriptFile read(const QString& path);
    // Compares every case's answer with the expected one, or rewrites the file with the answers
    // when TRANSCRIPT_UPDATE=1. answers holds one list per case.
    void check(const std::vector<QStringList>& answers);
};

// The *.txt files of a folder of tests/data, for INSTANTIATE_TEST_SUITE_P.
std::vector<QString> transcriptNames(const QString& folder);

}  // namespace tarnwick::test
