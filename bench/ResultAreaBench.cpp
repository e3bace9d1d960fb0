// Result-area benchmark: 100,000 lines (about 6 MB) set and painted in the main window's result
// area, then scrolled to the end and painted again, against a bare QPlainTextEdit of the same size
// and font doing the same with setPlainText. Runs alternate; prints the median of each.
//
//   bench_result_area [RUNS]

#include "bench/BenchSupport.h"
#include "mainwindow/ResultArea.h"
#include "mainwindow/frmMain.h"
#include "toolkit/QtToolkit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>

#include <algorithm>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int kLines = 100000;

// Lines as CHECKDB writes them, each followed by a carriage return as the read-back leaves it.
QString checkdbText() {
    QString text;
    text.reserve(kLines * 62);
    for (int n = 0; n < kLines / 2; ++n) {
        const QString table = u"bench_table_%1"_s.arg(n, 6, 10, QChar(u'0'));
        text += u"DBCC results for '"_s + table + u"'.                      \r"_s;
        text += u"There are %1 rows in %2 pages for object '%3'.\r"_s.arg(1000 + n % 9000)
                    .arg(10 + n % 90)
                    .arg(table);
    }
    return text;
}

// Sets the text, paints, goes to the end as Ctrl+End does and paints again.
double timed(QPlainTextEdit* edit, const std::function<void()>& setText) {
    QElapsedTimer timer;
    timer.start();
    setText();
    edit->viewport()->repaint();
    edit->moveCursor(QTextCursor::End);
    edit->ensureCursorVisible();
    edit->viewport()->repaint();
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tarnwick::QtToolkit qtToolkit;
    tarnwick::setToolkit(&qtToolkit);
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 5;

    {
        MainServices services;
        services.login = [](QWidget*) { return true; };
        services.userDatabases = [] { return QStringList{u"bench"_s}; };
        services.closeConnection = [] {};
        services.serverVersion = [] { return QString(); };
        frmMain window(services);
        window.Form_Load();
        window.resize(1024, 768);
        window.show();

        QPlainTextEdit bare;
        bare.setFont(window.txtResult->font());
        bare.resize(window.txtResult->size());
        bare.show();
        QApplication::processEvents();

        const QString text = checkdbText();
        std::vector<double> resultArea;
        std::vector<double> plain;
        const auto timeResultArea = [&] {
            window.setResultText(QString());
            resultArea.push_back(timed(window.txtResult, [&] { window.setResultText(text); }));
        };
        const auto timeBare = [&] {
            bare.setPlainText(QString());
            plain.push_back(timed(&bare, [&] { bare.setPlainText(text); }));
        };
        for (int run = 0; run < runs; ++run) {
            // Alternate which goes first, so neither always meets the other's leftovers.
            if (run % 2 == 0) {
                timeResultArea();
                timeBare();
            } else {
                timeBare();
                timeResultArea();
            }
            QApplication::processEvents();
        }
        tarnwick::bench::report("result_area_seconds", median(resultArea));
        tarnwick::bench::report("bare_seconds", median(plain));
        tarnwick::bench::report("text_utf8_bytes", static_cast<double>(text.toUtf8().size()));
    }
    tarnwick::setToolkit(nullptr);
    return 0;
}
