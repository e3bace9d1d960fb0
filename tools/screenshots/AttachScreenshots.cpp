// Renders both attach windows to PNG files, filled as after a file was chosen, and once more with
// the wait panel shown. No server: the file list comes from a fixed answer.
//
//   tarnwick_attach_screenshots <output folder>

#include "attach/AttachServices.h"
#include "attach/WaitPanel.h"
#include "attach/frmAttch7.h"
#include "attach/frmFile.h"
#include "toolkit/QtToolkit.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

bool save(QWidget& window, const QString& path) {
    QApplication::processEvents();
    const bool ok = window.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qUtf8Printable(path));
    return ok;
}

// A primary file recording three files, the third of them missing.
class ListingToolkit final : public tarnwick::Toolkit {
public:
    QString openFileDialog(const tarnwick::FileDialogRequest&) override {
        return u"C:\\Attach\\市场调查.MDF"_s;
    }
    bool fileExists(const QString& path) const override { return !path.endsWith(u".NDF"_s); }
    int messageBox(const QString& text, int style, const QString& title) override {
        return m_qt.messageBox(text, style, title);
    }
    void processEvents() override { m_qt.processEvents(); }
    QSize screenSizeTwips() const override { return m_qt.screenSizeTwips(); }
    int twipsToPixelsX(int twips) const override { return m_qt.twipsToPixelsX(twips); }
    int twipsToPixelsY(int twips) const override { return m_qt.twipsToPixelsY(twips); }
    QString programDirectory() const override { return m_qt.programDirectory(); }
    bool deleteFile(const QString&) override { return false; }
    void endProgram() override {}

private:
    tarnwick::QtToolkit m_qt;
};

attach::AttachServices fixedAnswers() {
    attach::AttachServices s;
    s.openRecordSet = [](const QString& query, tarnwick::RecordSet::CursorType,
                         tarnwick::RecordSet::LockType) {
        if (query.endsWith(u"3)"_s))
            return tarnwick::RecordSet::fromRows(
                {{0, 1, u""_s, u"D:\\旧数据\\市场调查.MDF"_s},
                 {0, 2, u""_s, u"D:\\旧数据\\市场调查_Log.LDF"_s},
                 {0, 3, u""_s, u"D:\\旧数据\\市场调查_Extra.NDF"_s}});
        return tarnwick::RecordSet::fromRows({{u"Database name"_s, u"市场调查"_s}});
    };
    s.execute = [](const QString&) {};
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(tarnwick::applicationTitle());
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QDir().mkpath(folder);

    ListingToolkit toolkit;
    tarnwick::setToolkit(&toolkit);
    attach::setServices(fixedAnswers());
    bool ok = true;
    {
        frmFile window;
        window.show();
        window.CmdSel_Click();
        ok &= save(window, folder + u"/attach-2000.png"_s);
        window.fra_Wait->show();
        ok &= save(window, folder + u"/attach-2000-wait.png"_s);
    }
    {
        frmAttch7 window;
        window.show();
        window.txtMDF->setText(u"C:\\Attach\\Archive2004_Data.MDF"_s);
        window.txtLDF->setText(u"C:\\Attach\\Archive2004_Log.LDF"_s);
        window.txtDBName->setText(u"Archive2004"_s);
        ok &= save(window, folder + u"/attach-70.png"_s);
        window.fra_Wait->show();
        ok &= save(window, folder + u"/attach-70-wait.png"_s);
    }
    {
        // The confirmation before a single-file attach, its lines joined by carriage returns.
        QMessageBox box(QMessageBox::Information, u"提示"_s,
                        u"由于您没有选择日志文件，所以将执行单文件附加！\r该操作将重建日志文件，"
                        u"如果有原日志文件，请先选择！\r是否执行单文件附加？"_s);
        box.addButton(u"确定"_s, QMessageBox::AcceptRole);  // the buttons the program's boxes show
        box.addButton(u"取消"_s, QMessageBox::RejectRole);
        box.show();
        ok &= save(box, folder + u"/attach-70-question.png"_s);
    }
    attach::resetServices();
    tarnwick::setToolkit(nullptr);
    return ok ? 0 : 1;
}
