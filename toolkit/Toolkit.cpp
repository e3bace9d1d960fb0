#include "toolkit/Toolkit.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace tarnwick {

namespace {

// Used until the program or a test installs its own toolkit: it never blocks and never ends the
// program, it only says on stderr what it was asked to do.
class StderrToolkit final : public Toolkit {
public:
    int messageBox(const QString& text, int style, const QString& title) override {
        const QString shownTitle = title.isEmpty() ? applicationTitle() : title;
        std::fprintf(stderr, "[%s] %s (style %d)\n", qUtf8Printable(shownTitle),
                     qUtf8Printable(text), style);
        return vbOK;
    }
    QString openFileDialog(const FileDialogRequest& request) override {
        std::fprintf(stderr, "file dialog \"%s\" cancelled\n", qUtf8Printable(request.title));
        return {};
    }
    void processEvents() override {}
    QSize screenSizeTwips() const override { return {1024 * kTwipsPerPixel, 768 * kTwipsPerPixel}; }
    int twipsToPixelsX(int twips) const override { return twips / kTwipsPerPixel; }
    int twipsToPixelsY(int twips) const override { return twips / kTwipsPerPixel; }
    QString programDirectory() const override {
        return QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                            : QDir::currentPath();
    }
    bool fileExists(const QString& path) const override { return QFileInfo::exists(path); }
    bool deleteFile(const QString& path) override { return QFile::remove(path); }
    void endProgram() override { std::fprintf(stderr, "end of program requested\n"); }

private:
    static constexpr int kTwipsPerPixel = 15;  // 1440 twips per inch at 96 pixels per inch
};

StderrToolkit& defaultToolkit() {
    static StderrToolkit instance;
    return instance;
}

Toolkit* g_installed = nullptr;

}  // namespace

QString applicationTitle() {
    return u"Tarnwick"_s;
}

Toolkit& toolkit() {
    return g_installed ? *g_installed : defaultToolkit();
}

void setToolkit(Toolkit* installed) {
    g_installed = installed;
}

}  // namespace tarnwick
