#include "toolkit/ServerFileBrowser.h"

#include "toolkit/FileFilter.h"
#include "toolkit/WindowFont.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QVBoxLayout>

#include <exception>
#include <initializer_list>

using namespace Qt::StringLiterals;

namespace tarnwick {

namespace {

enum ItemKind { Drive, Folder, File };
constexpr int kPathRole = Qt::UserRole;
constexpr int kKindRole = Qt::UserRole + 1;

bool isSeparator(QChar c) {
    return c == u'\\' || c == u'/';
}

// "C:" alone names the drive's root.
bool isBareDrive(const QString& path) {
    return path.size() == 2 && path.at(0).isLetter() && path.at(1) == u':';
}

}  // namespace

ServerFileBrowser::ServerFileBrowser(ServerFiles& files, const FileDialogRequest& request,
                                     QWidget* parent)
    : QDialog(parent),
      pathBox(new QLineEdit(this)),
      upButton(new QPushButton(u"向上"_s, this)),
      list(new QListWidget(this)),
      messageLine(new QLabel(this)),
      filterBox(new QComboBox(this)),
      okButton(new QPushButton(u"确定"_s, this)),
      cancelButton(new QPushButton(u"取消"_s, this)),
      m_files(files) {
    setObjectName(u"ServerFileBrowser"_s);
    setWindowTitle(request.title);
    setFont(windowFont());
    setModal(true);
    pathBox->setObjectName(u"pathBox"_s);
    list->setObjectName(u"list"_s);
    messageLine->setObjectName(u"messageLine"_s);
    filterBox->setObjectName(u"filterBox"_s);
    pathBox->setAccessibleName(u"服务器上的文件路径"_s);
    list->setAccessibleName(u"服务器上的文件"_s);

    m_patterns = filterPatterns(request.filter);
    filterBox->addItems(qtNameFilters(request.filter));
    if (request.filterIndex >= 1 && request.filterIndex <= filterBox->count())
        filterBox->setCurrentIndex(request.filterIndex - 1);

    // A row: the caption, the field it names stretched, then the buttons.
    const auto row = [this](const QString& caption, QWidget* field,
                            std::initializer_list<QPushButton*> buttons) {
        auto* layout = new QHBoxLayout;
        auto* label = new QLabel(caption, this);
        label->setBuddy(field);
        layout->addWidget(label);
        layout->addWidget(field, 1);
        for (QPushButton* button : buttons) layout->addWidget(button);
        return layout;
    };
    QHBoxLayout* pathRow = row(u"服务器上的路径："_s, pathBox, {upButton});
    QHBoxLayout* filterRow = row(u"文件类型："_s, filterBox, {okButton, cancelButton});
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(pathRow);
    layout->addWidget(list, 1);
    layout->addWidget(messageLine);
    layout->addLayout(filterRow);
    messageLine->setTextFormat(Qt::PlainText);
    messageLine->setWordWrap(false);
    messageLine->hide();
    // Return belongs to the path box and the list, never to a button.
    for (QPushButton* button : {upButton, okButton, cancelButton}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    resize(480, 340);

    connect(pathBox, &QLineEdit::returnPressed, this, &ServerFileBrowser::choosePathBoxText);
    connect(okButton, &QPushButton::clicked, this, &ServerFileBrowser::choosePathBoxText);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(upButton, &QPushButton::clicked, this, &ServerFileBrowser::goUp);
    connect(list, &QListWidget::itemClicked, this, &ServerFileBrowser::itemClicked);
    connect(list, &QListWidget::itemActivated, this, &ServerFileBrowser::itemActivated);
    connect(filterBox, &QComboBox::currentIndexChanged, this, [this] { openFolder(m_folder); });

    openFolder(QString());
    pathBox->setFocus(Qt::OtherFocusReason);
}

void ServerFileBrowser::showFailure(const QString& what, const std::exception& error) {
    const QString reason = QString::fromUtf8(error.what()).simplified();
    messageLine->setText(what + reason);
    messageLine->setToolTip(reason);
    messageLine->show();
}

bool ServerFileBrowser::matchesFilter(const QString& fileName) const {
    const QString patterns = m_patterns.value(filterBox->currentIndex(), u"*"_s);
    for (const QString& pattern : patterns.split(u';', Qt::SkipEmptyParts)) {
        const QRegularExpression re(
            QRegularExpression::wildcardToRegularExpression(pattern.trimmed()),
            QRegularExpression::CaseInsensitiveOption);
        if (re.match(fileName).hasMatch()) return true;
    }
    return false;
}

void ServerFileBrowser::openFolder(const QString& folder) {
    list->clear();
    messageLine->hide();
    m_folder = folder;
    upButton->setEnabled(!folder.isEmpty());
    const QStyle* s = style();
    try {
        if (folder.isEmpty()) {
            for (const QString& drive : m_files.drives()) {
                auto* item = new QListWidgetItem(s->standardIcon(QStyle::SP_DriveHDIcon), drive);
                item->setData(kPathRole, drive);
                item->setData(kKindRole, Drive);
                list->addItem(item);
            }
            return;
        }
        pathBox->setText(folder);
        QList<QListWidgetItem*> files;
        for (const ServerFileEntry& entry : m_files.entries(folder)) {
            if (entry.isFile && !matchesFilter(entry.name)) continue;
            auto* item = new QListWidgetItem(
                s->standardIcon(entry.isFile ? QStyle::SP_FileIcon : QStyle::SP_DirIcon),
                entry.name);
            item->setData(kPathRole,
                          QString(folder + entry.name + (entry.isFile ? u""_s : u"\\"_s)));
            item->setData(kKindRole, entry.isFile ? File : Folder);
            // Folders first, then files, each in the server's order.
            if (entry.isFile)
                files << item;
            else
                list->addItem(item);
        }
        for (QListWidgetItem* item : files) list->addItem(item);
    } catch (const std::exception& error) {
        showFailure(folder.isEmpty() ? u"无法列出服务器上的驱动器："_s
                                     : u"无法列出 "_s + folder + u" 中的文件："_s,
                    error);
    }
}

void ServerFileBrowser::goUp() {
    if (m_folder.isEmpty()) return;
    const QString inside = m_folder.left(m_folder.size() - 1);  // without its last '\'
    qsizetype cut = inside.size() - 1;
    while (cut >= 0 && !isSeparator(inside.at(cut))) --cut;
    openFolder(cut < 0 ? QString() : inside.left(cut + 1));
    if (m_folder.isEmpty()) pathBox->clear();
}

void ServerFileBrowser::itemClicked(QListWidgetItem* item) {
    pathBox->setText(item->data(kPathRole).toString());
}

void ServerFileBrowser::itemActivated(QListWidgetItem* item) {
    const QString path = item->data(kPathRole).toString();
    if (item->data(kKindRole).toInt() == File)
        choose(path);
    else
        openFolder(path);
}

void ServerFileBrowser::choosePathBoxText() {
    const QString path = pathBox->text().trimmed();
    if (path.isEmpty()) return;
    if (isBareDrive(path)) return openFolder(path + u'\\');
    if (isSeparator(path.back())) return openFolder(path.left(path.size() - 1) + u'\\');
    try {
        if (m_files.pathState(path).isDirectory) return openFolder(path + u'\\');
    } catch (const std::exception&) {
        // The server would not say what the path is: choose it as typed.
    }
    choose(path);
}

void ServerFileBrowser::choose(const QString& path) {
    m_chosen = path;
    accept();
}

}  // namespace tarnwick
