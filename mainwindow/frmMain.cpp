#include "mainwindow/frmMain.h"

#include "connection/DbError.h"
#include "mainwindow/DataLossQuestion.h"
#include "mainwindow/ResultArea.h"
#include "operations/OperationCatalogue.h"
#include "toolkit/PendingWork.h"
#include "toolkit/Pictures.h"
#include "toolkit/Toolkit.h"
#include "toolkit/Twips.h"
#include "toolkit/WaitControls.h"
#include "toolkit/WindowFont.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>
#include <QWindowStateChangeEvent>

#include <algorithm>

#include <cmath>
#include <exception>
#include <optional>

using namespace Qt::StringLiterals;
using tarnwick::setTwipsGeometry;
using tarnwick::toolkit;

namespace {

// The status bar while a run goes on in the main window.
QString escToCancelText() {
    return u"正在执行操作，按 Esc 键取消"_s;
}

const QString kBlue = u"color: #0000FF;"_s;
const QString kRed = u"color: #FF0000;"_s;

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

// The designed layout fills a client area of this size in twips: the two frames' extent with a
// margin on the right as wide as the one on the left, and the same below.
constexpr int kLayoutWidth = 5280 + 6495 + 120;
constexpr int kLayoutHeight = 8175 + 120;
// How far the tree and the result area may shrink in a client area smaller than the layout.
constexpr int kLeastTreeHeight = 1500;
constexpr int kLeastResultWidth = 3000;
constexpr int kLeastResultHeight = 1500;

// Watches the application's key events for Alt pressed and released with no other key between,
// in the window.
class AltAlone final : public QObject {
public:
    AltAlone(QWidget* window, std::function<void()> open)
        : QObject(window), m_window(window), m_open(std::move(open)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            m_alone = key->key() == Qt::Key_Alt && !key->isAutoRepeat() &&
                      (key->modifiers() & ~Qt::AltModifier) == Qt::NoModifier &&
                      !QApplication::activePopupWidget();
        } else if (event->type() == QEvent::KeyRelease) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const auto* receiver = qobject_cast<QWidget*>(watched);
            if (key->key() == Qt::Key_Alt && m_alone && receiver &&
                receiver->window() == m_window) {
                m_alone = false;
                // After the menu bar has taken the release for itself.
                QTimer::singleShot(0, this, m_open);
            }
        }
        return false;
    }

private:
    QWidget* m_window;
    std::function<void()> m_open;
    bool m_alone = false;
};

// The cursor shows a run in progress until the run returns.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace

QPoint waitPanelPositionTwips(QSize screenTwips, QSize panelTwips) {
    const float left =
        (static_cast<float>(screenTwips.width()) - static_cast<float>(panelTwips.width())) / 2.0f;
    const float top =
        (static_cast<float>(screenTwips.height()) - static_cast<float>(panelTwips.height())) / 3.0f;
    return {static_cast<int>(std::lround(left)), static_cast<int>(std::lround(top))};
}

frmMain::frmMain(MainServices services, QWidget* parent)
    : QMainWindow(parent), m_services(std::move(services)) {
    buildLayout();
}

frmMain::~frmMain() = default;

void frmMain::buildLayout() {
    setObjectName(u"frmMain"_s);
    setWindowTitle(u"Tarnwick-"_s);
    setWindowIcon(tarnwick::windowIcon());
    setFont(tarnwick::windowFont());

    auto* client = new QWidget(this);
    client->setObjectName(u"clientArea"_s);
    setCentralWidget(client);

    mnuFile = menuBar()->addMenu(u"文件"_s);
    mnuFile->setObjectName(u"mnuFile"_s);
    mnuReConn = mnuFile->addAction(u"重新连接"_s);
    mnuReConn->setObjectName(u"mnuReConn"_s);
    mnuExit = mnuFile->addAction(u"退出"_s);
    mnuExit->setObjectName(u"mnuExit"_s);
    connect(mnuReConn, &QAction::triggered, this, &frmMain::mnuReConn_Click);
    connect(mnuExit, &QAction::triggered, this, &frmMain::mnuExit_Click);

    mnuOptions = menuBar()->addMenu(u"选项"_s);
    mnuOptions->setObjectName(u"mnuOptions"_s);
    mnuSingleUserOnConnection = mnuOptions->addAction(u"在本连接上切换单用户模式"_s);
    mnuSingleUserOnConnection->setObjectName(u"mnuSingleUserOnConnection"_s);
    mnuSingleUserOnConnection->setCheckable(true);
    const bool onConnection = m_services.switchOnConnection && m_services.switchOnConnection();
    mnuSingleUserOnConnection->setChecked(onConnection);
    singleUserSwitch = onConnection ? tarnwick::SingleUserSwitch::OnConnection
                                    : tarnwick::SingleUserSwitch::ServerShell;
    connect(mnuSingleUserOnConnection, &QAction::triggered, this,
            &frmMain::mnuSingleUserOnConnection_Click);
    mnuConfirmDataLoss = mnuOptions->addAction(u"执行可能丢失数据的操作前确认"_s);
    mnuConfirmDataLoss->setObjectName(u"mnuConfirmDataLoss"_s);
    mnuConfirmDataLoss->setCheckable(true);
    mnuConfirmDataLoss->setChecked(!m_services.confirmDataLoss || m_services.confirmDataLoss());
    connect(mnuConfirmDataLoss, &QAction::toggled, this, [this](bool on) {
        if (m_services.setConfirmDataLoss) m_services.setConfirmDataLoss(on);
    });

    // F10, and Alt pressed and released alone, open the first menu.
    auto* openMenuKey = new QAction(this);
    openMenuKey->setShortcut(QKeySequence(Qt::Key_F10));
    addAction(openMenuKey);
    connect(openMenuKey, &QAction::triggered, this, &frmMain::openMenu);

    lblServer = new QLabel(statusBar());
    lblServer->setObjectName(u"lblServer"_s);
    // Permanent: a passing message (a hint after a refused repair) never hides the server.
    statusBar()->addPermanentWidget(lblServer);
    statusBar()->setSizeGripEnabled(false);

    Frame1 = new QGroupBox(u"操作区"_s, client);
    Frame1->setObjectName(u"Frame1"_s);
    setTwipsGeometry(Frame1, 120, 0, 5055, 8175);

    Label5 = makeLabel(Frame1, u"Label5"_s, QString());
    Label5->setStyleSheet(kBlue);
    tarnwick::moveTwips(Label5, 465, 360);

    Label1 = makeLabel(Frame1, u"Label1"_s, u"请选择您要操作的数据库："_s);
    setTwipsGeometry(Label1, 135, 780, 2520, 210);

    Combo_DB = new QComboBox(Frame1);
    Combo_DB->setObjectName(u"Combo_DB"_s);
    // Named for its purpose: without a name of its own a screen reader reads the database shown.
    Combo_DB->setAccessibleName(u"请选择您要操作的数据库"_s);
    Combo_DB->setEditable(false);
    setTwipsGeometry(Combo_DB, 2520, 720, 2415, 330);

    Label2 = makeLabel(Frame1, u"Label2"_s, u"警告："_s);
    Label2->setStyleSheet(kRed);
    setTwipsGeometry(Label2, 480, 1080, 735, 255);

    Label7 = makeLabel(Frame1, u"Label7"_s,
                       u"1、修复操作有可能造成部分数据丢失，使用前请作好数据库备份！"_s);
    Label7->setStyleSheet(kRed);
    Label7->setWordWrap(true);
    Label7->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTwipsGeometry(Label7, 720, 1320, 3360, 570);

    Label8 = makeLabel(Frame1, u"Label8"_s, u"2、数据库附加必须在服务器上操作！"_s);
    Label8->setStyleSheet(kRed);
    setTwipsGeometry(Label8, 720, 1800, 3465, 210);

    Label3 = makeLabel(Frame1, u"Label3"_s, u"操作提示：选择数据库后双击所要进行的操作即可！"_s);
    Label3->setStyleSheet(kBlue);
    Label3->setFont(tarnwick::windowFont(9));
    setTwipsGeometry(Label3, 480, 2040, 4140, 180);

    TV_Ope = new QTreeWidget(Frame1);
    TV_Ope->setObjectName(u"TV_Ope"_s);
    TV_Ope->setAccessibleName(u"操作"_s);
    TV_Ope->setHeaderHidden(true);
    TV_Ope->setColumnCount(1);
    TV_Ope->setRootIsDecorated(false);
    TV_Ope->setItemsExpandable(false);
    TV_Ope->setSelectionMode(QAbstractItemView::SingleSelection);
    TV_Ope->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TV_Ope->setIconSize(QSize(16, 16));
    // Long node texts scroll sideways rather than being cut short.
    TV_Ope->setTextElideMode(Qt::ElideNone);
    TV_Ope->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    TV_Ope->header()->setStretchLastSection(false);
    TV_Ope->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    TV_Ope->viewport()->installEventFilter(this);
    TV_Ope->installEventFilter(this);
    connect(TV_Ope, &QTreeWidget::itemSelectionChanged, this, &frmMain::keepSelection);
    setTwipsGeometry(TV_Ope, 120, 2280, 4815, 5775);

    Frame2 = new QGroupBox(u"结果区"_s, client);
    Frame2->setObjectName(u"Frame2"_s);
    setTwipsGeometry(Frame2, 5280, 0, 6495, 8175);

    Label4 = makeLabel(
        Frame2, u"Label4"_s,
        u"提示：如果修复结果提示有错误，请重复执行该操作，直到提示没有错误！可以执行不同的操作来尝试修复！"_s);
    Label4->setStyleSheet(kBlue);
    Label4->setFont(tarnwick::windowFont(9));
    Label4->setWordWrap(true);
    Label4->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTwipsGeometry(Label4, 360, 240, 4560, 420);

    txtResult = new ResultArea(Frame2);
    txtResult->setObjectName(u"txtResult"_s);
    txtResult->setAccessibleName(u"结果区"_s);
    setTwipsGeometry(txtResult, 120, 720, 6255, 7335);

    fra_Wait = new QFrame(client);
    fra_Wait->setObjectName(u"fra_Wait"_s);
    fra_Wait->setFrameShape(QFrame::Panel);
    fra_Wait->setFrameShadow(QFrame::Raised);
    fra_Wait->setLineWidth(2);
    fra_Wait->setAutoFillBackground(true);
    setTwipsGeometry(fra_Wait, 720, 480, kWaitPanelWidth, kWaitPanelHeight);

    Image1 = new QLabel(fra_Wait);
    Image1->setObjectName(u"Image1"_s);
    Image1->setPixmap(tarnwick::waitPicture());
    setTwipsGeometry(Image1, 240, 232, 510, 510);
    Image1->setAlignment(Qt::AlignCenter);

    Label6 = makeLabel(fra_Wait, u"Label6"_s, u"正在附加数据库。。。。。。。。"_s);
    Label6->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The caption keeps the width of its longest text; the elapsed time and the cancel button
    // share the rest of the panel's row.
    setTwipsGeometry(Label6, 960, 240, 3015, 495);
    lblElapsed = new tarnwick::ElapsedLabel(fra_Wait);
    lblElapsed->setObjectName(u"lblElapsed"_s);
    lblElapsed->setFont(tarnwick::windowFont(9));
    setTwipsGeometry(lblElapsed, 3990, 240, 720, 495);
    cmdCancelRun = tarnwick::makeCancelButton(fra_Wait);
    cmdCancelRun->setObjectName(u"cmdCancelRun"_s);
    setTwipsGeometry(cmdCancelRun, 4740, 300, 675, 375);
    fra_Wait->hide();

    ImageList1 = {tarnwick::nodePicture(1), tarnwick::nodePicture(2)};

    setTabOrder(Combo_DB, txtResult);
    setTabOrder(txtResult, TV_Ope);
    for (QWidget* w : {static_cast<QWidget*>(Label5), static_cast<QWidget*>(Label1),
                       static_cast<QWidget*>(Label2), static_cast<QWidget*>(Label7),
                       static_cast<QWidget*>(Label8), static_cast<QWidget*>(Label3),
                       static_cast<QWidget*>(Label4), static_cast<QWidget*>(Label6),
                       static_cast<QWidget*>(Image1)})
        w->setFocusPolicy(Qt::NoFocus);

    // The status bar says what the result area does not: that Esc cancels a run, a hint after a
    // refused repair; the connected server stays at its right end.
    statusBar()->setObjectName(u"statusBar"_s);

    const QRect design = tarnwick::twipsRect(0, 0, 11325, 7560);
    resize(design.width(),
           design.height() + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
    showNoServer();
    qApp->installEventFilter(new AltAlone(this, [this] { openMenu(); }));
}

void frmMain::Form_Load() {
    if (!m_services.login(this)) {
        // Closed without logging in at start-up: there is no server to work on.
        toolkit().endProgram();
        return;
    }
    showServer();
}

// Shows the server just logged in to: its name, its user databases, its version and the tree. A
// reconnect runs it again, so the window never shows another server's databases.
void frmMain::showServer() {
    showNoServer();
    TV_Ope->clear();
    m_keptSelection = QPersistentModelIndex();
    const QString name = m_services.serverName ? m_services.serverName() : QString();
    lblServer->setText(name.isEmpty() ? QString() : u"服务器："_s + name);

    QStringList names;
    try {
        names = m_services.userDatabases();
    } catch (const tarnwick::DbError& e) {
        toolkit().messageBox(u"无法读取数据库列表：\r\n"_s + e.description(), tarnwick::vbCritical);
        return;
    } catch (const std::exception& e) {
        toolkit().messageBox(u"无法读取数据库列表：\r\n"_s + QString::fromLocal8Bit(e.what()),
                             tarnwick::vbCritical);
        return;
    }
    if (names.size() < 1) {
        toolkit().messageBox(u"该服务器上没有用户数据库！"_s, tarnwick::vbInformation, u"提示"_s);
        return;
    }
    Combo_DB->addItems(names);
    Combo_DB->setCurrentIndex(0);

    const QString version = m_services.serverVersion();
    Label5->setText(u"当前数据库版本："_s + version);
    Label5->adjustSize();
    setWindowTitle(windowTitle() + version);
    fillCatalogue();
}

// No server connected: no databases, no version, and the status bar says so. The tree stays, and
// its operations say that no server is connected.
void frmMain::showNoServer() {
    Combo_DB->clear();
    Label5->clear();
    setWindowTitle(u"Tarnwick-"_s);
    lblServer->setText(u"未连接服务器"_s);
}

bool frmMain::connected() const {
    return !m_services.serverName || !m_services.serverName().isEmpty();
}

void frmMain::fillCatalogue() {
    for (const OperationRow& row : m_services.operations) {
        auto* item = new QTreeWidgetItem(TV_Ope, {row.text});
        item->setData(0, kNodeKeyRole, row.key);
        item->setData(0, kNodeImageRole, row.image);
        item->setIcon(0, QIcon(ImageList1.value(row.image - 1)));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    }
}

void frmMain::Form_Resize() {
    layoutControls();
    placeWaitPanel();
}

// At the designed size every control stands where it was designed. A larger client area gives
// its extra width to the result frame and the result area and its extra height to both frames,
// the tree and the result area; a smaller one takes it from them, down to a least size.
void frmMain::layoutControls() {
    const tarnwick::Toolkit& tk = toolkit();
    const QSize client = centralWidget()->size();
    const int dw = std::max(client.width() - tk.twipsToPixelsX(kLayoutWidth),
                            tk.twipsToPixelsX(kLeastResultWidth - 6255));
    const int dh =
        std::max(client.height() - tk.twipsToPixelsY(kLayoutHeight),
                 tk.twipsToPixelsY(std::max(kLeastTreeHeight - 5775, kLeastResultHeight - 7335)));
    const auto grow = [](QWidget* w, QRect r, int width, int height) {
        w->setGeometry(r.adjusted(0, 0, width, height));
    };
    using tarnwick::twipsRect;
    grow(Frame1, twipsRect(120, 0, 5055, 8175), 0, dh);
    grow(TV_Ope, twipsRect(120, 2280, 4815, 5775), 0, dh);
    grow(Frame2, twipsRect(5280, 0, 6495, 8175), dw, dh);
    grow(txtResult, twipsRect(120, 720, 6255, 7335), dw, dh);
}

// Centred horizontally on the screen with its top at a third of the free height, as long as that
// lies inside the window; a window smaller than the screen keeps the whole panel inside.
void frmMain::placeWaitPanel() {
    const QPoint at = waitPanelPositionTwips(toolkit().screenSizeTwips(),
                                             QSize(kWaitPanelWidth, kWaitPanelHeight));
    tarnwick::moveTwips(fra_Wait, at.x(), at.y());
    const QSize client = centralWidget()->size();
    const int x = std::max(0, std::min(fra_Wait->x(), client.width() - fra_Wait->width()));
    const int y = std::max(0, std::min(fra_Wait->y(), client.height() - fra_Wait->height()));
    fra_Wait->move(x, y);
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

// Minimizing works; coming back from the minimized state the window is maximized again.
void frmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) return;
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    const Qt::WindowStates now = windowState();
    if (change->oldState().testFlag(Qt::WindowMinimized) && !now.testFlag(Qt::WindowMinimized) &&
        !now.testFlag(Qt::WindowMaximized) && !now.testFlag(Qt::WindowFullScreen))
        setWindowState(Qt::WindowMaximized);
    Form_Resize();
}

void frmMain::openMenu() {
    if (QApplication::activePopupWidget()) return;
    // From whatever state the menu bar's own keyboard navigation left it in.
    menuBar()->setActiveAction(nullptr);
    menuBar()->setActiveAction(mnuFile->menuAction());
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == TV_Ope->viewport() && type == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        // The press before it has selected the node under the pointer; on the blank part of the
        // tree the selected node stays selected and runs.
        TV_Ope_DblClick();
    }
    if (watched == TV_Ope && type == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        // Enter on the tree runs the selected node, as a double-click does.
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            TV_Ope_DblClick();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// Qt clears the selection on a click outside the nodes; the tree keeps its selected node instead.
void frmMain::keepSelection() {
    const QModelIndexList selected = TV_Ope->selectionModel()->selectedIndexes();
    if (!selected.isEmpty()) {
        m_keptSelection = selected.first();
        return;
    }
    if (!m_keptSelection.isValid()) return;
    const QSignalBlocker blocker(TV_Ope->selectionModel());
    TV_Ope->selectionModel()->select(m_keptSelection, QItemSelectionModel::ClearAndSelect);
    TV_Ope->viewport()->update();
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (!m_operationRunning) {
        QMainWindow::closeEvent(event);
        return;
    }
    // The run takes its failure path (the switch back out of single-user mode among it) first.
    event->ignore();
    m_closeAfterRun = true;
    tarnwick::cancelWaitedWork();
}

void frmMain::ShowWaitPanel(const QString& text) {
    Label6->setText(text);
    lblElapsed->start();
    fra_Wait->show();
    fra_Wait->raise();
    toolkit().processEvents();
    // The caller blocks on the server right after this: paint the panel now, whatever the event
    // pump managed to do.
    fra_Wait->repaint();
}

void frmMain::HideWaitPanel() {
    lblElapsed->stop();
    fra_Wait->hide();
}

QString frmMain::resultText() const {
    return txtResult->resultText();
}

void frmMain::setResultText(const QString& text) {
    txtResult->setResultText(text);
}

void frmMain::setResultTextInPieces(const std::function<bool(QString& piece)>& nextPiece) {
    txtResult->setResultTextInPieces(nextPiece);
}

void frmMain::processEvents() {
    toolkit().processEvents();
}

void frmMain::suggestSwitchOnConnection() {
    statusBar()->showMessage(
        u"修复被拒绝：数据库须处于单用户模式。选中“%1”菜单中的“%2”后再试。"_s.arg(
            mnuOptions->title(), mnuSingleUserOnConnection->text()));
}

void frmMain::TV_Ope_DblClick() {
    // A click that the event pump lets through while an operation waits on the server must not
    // start a second one on the same connection, nor wipe the running one's result.
    if (m_operationRunning) return;

    setResultText(QString());
    statusBar()->clearMessage();
    const QList<QTreeWidgetItem*> selected = TV_Ope->selectedItems();
    if (selected.isEmpty()) return;
    const QString key = selected.first()->data(0, kNodeKeyRole).toString();
    const OperationRow* row = findOperation(m_services.operations, key);
    if (!row || !row->action) return;
    if (!connected()) {
        toolkit().messageBox(u"没有连接服务器，请先用“文件”菜单的“重新连接”登录服务器。"_s,
                             tarnwick::vbInformation, u"提示"_s);
        return;
    }
    if (!confirmed(*row)) return;

    m_operationRunning = true;
    // The attach windows carry their own cancel; every other run is cancelled with Esc, which
    // the status bar says while it runs (the shrinks show no wait panel).
    const bool inWindow = key != tarnwick::attachOperationKey();
    if (inWindow) statusBar()->showMessage(escToCancelText());
    struct Reset {
        frmMain& window;
        bool inWindow;
        ~Reset() {
            // Input that came while the run ended is dropped, not replayed.
            toolkit().processEvents();
            // A hint the run left (a refused repair) stays; the Esc line goes.
            if (inWindow && window.statusBar()->currentMessage() == escToCancelText())
                window.statusBar()->clearMessage();
            window.m_operationRunning = false;
        }
    };
    {
        const Reset reset{*this, inWindow};
        const OperationContext context{
            *this, [this] { return Combo_DB->currentText(); }, m_services.serverVersion,
            m_services.showAttachWindow,
            [this](const QString& text) { statusBar()->showMessage(text); }};
        // The attach window is a window of its own, with its own wait panel and cursor.
        std::optional<BusyCursor> busy;
        if (inWindow) busy.emplace();
        row->action(context);
    }
    if (m_closeAfterRun) {
        m_closeAfterRun = false;
        close();
    }
}

// Before an operation that may lose data: a question naming the operation, the database and the
// server, answered No unless the user says Yes. Turned off in the options menu.
bool frmMain::confirmed(const OperationRow& row) {
    if (row.dataLoss == tarnwick::DataLoss::None || !mnuConfirmDataLoss->isChecked()) return true;
    const QString server = m_services.serverName ? m_services.serverName() : QString();
    const QString question = dataLossQuestion(row, Combo_DB->currentText(), server);
    return toolkit().messageBox(question, tarnwick::vbYesNoWarningDefaultNo, u"提示"_s) ==
           tarnwick::vbYes;
}

void frmMain::mnuReConn_Click() {
    // After a login window that was closed without logging in, the connection is already
    // closed: there is nothing to close, and that is no reason to stop the user reconnecting.
    try {
        m_services.closeConnection();
    } catch (const tarnwick::DbError&) {
    } catch (const std::exception&) {
    }
    // After a login the window shows the new server as at start-up. Closing the login window
    // without logging in leaves the connection closed, and the window says so.
    if (m_services.login(this))
        showServer();
    else
        showNoServer();
}

void frmMain::mnuSingleUserOnConnection_Click(bool checked) {
    singleUserSwitch = checked ? tarnwick::SingleUserSwitch::OnConnection
                               : tarnwick::SingleUserSwitch::ServerShell;
    if (m_services.setSwitchOnConnection) m_services.setSwitchOnConnection(checked);
}

void frmMain::mnuExit_Click() {
    toolkit().deleteFile(u"c:\\Result.txt"_s);  // every failure is ignored
    toolkit().endProgram();
}
