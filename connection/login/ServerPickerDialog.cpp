#include "connection/login/ServerPickerDialog.h"

#include "toolkit/WindowFont.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace ModSelServer {

namespace {
const QString kPrompt = u"请选取数据库服务器计算机名："_s;
}

ServerPickerDialog::ServerPickerDialog(QWidget* owner, const QList<ServerCandidate>& candidates)
    : QDialog(owner), m_list(new QListWidget(this)), m_ok(nullptr) {
    setObjectName(u"dlg_SelServer"_s);
    setWindowTitle(kPrompt);
    setFont(tarnwick::windowFont());
    setModal(true);

    auto* prompt = new QLabel(kPrompt, this);
    m_list->setObjectName(u"lstServers"_s);
    for (const ServerCandidate& c : candidates) {
        auto* item = new QListWidgetItem(
            c.detail.isEmpty() ? c.name : c.name + u"    ("_s + c.detail + u")"_s, m_list);
        item->setData(Qt::UserRole, c.name);
    }
    if (m_list->count() > 0) m_list->setCurrentRow(0);

    auto* buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(u"确定"_s, QDialogButtonBox::AcceptRole);
    buttons->addButton(u"取消"_s, QDialogButtonBox::RejectRole);
    m_ok->setEnabled(m_list->count() > 0);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(m_list, &QListWidget::currentRowChanged, this,
            [this](int row) { m_ok->setEnabled(row >= 0); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    resize(360, 280);
}

QString ServerPickerDialog::chosenName() const {
    const QListWidgetItem* item = m_list->currentItem();
    return item ? item->data(Qt::UserRole).toString() : QString();
}

QString ServerPickerDialog::pick(QWidget* owner, const QList<ServerCandidate>& candidates) {
    ServerPickerDialog dialog(owner, candidates);
    return dialog.exec() == QDialog::Accepted ? dialog.chosenName() : QString();
}

}  // namespace ModSelServer
