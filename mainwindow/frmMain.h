#pragma once
// The main window: database list, operation tree, result area, wait panel and the file menu.
// It is the host the maintenance routines report to.

#include "mainwindow/MainServices.h"
#include "operations/OperationHost.h"

#include <QMainWindow>
#include <QPersistentModelIndex>
#include <QPixmap>
#include <QPoint>
#include <QSize>

#include <functional>

class QAction;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QTreeWidget;
class ResultArea;
namespace tarnwick {
class ElapsedLabel;
}

// Where the wait panel goes: centred horizontally on the screen, its top at a third of the free
// height, in twips, computed in single precision.
QPoint waitPanelPositionTwips(QSize screenTwips, QSize panelTwips);

class frmMain final : public QMainWindow, public tarnwick::OperationHost {
    Q_OBJECT
public:
    static constexpr int kNodeKeyRole = Qt::UserRole;
    static constexpr int kNodeImageRole = Qt::UserRole + 1;
    static constexpr int kWaitPanelWidth = 5535;
    static constexpr int kWaitPanelHeight = 975;

    explicit frmMain(MainServices services = MainServices::standard(), QWidget* parent = nullptr);
    ~frmMain() override;

    void Form_Load();
    void Form_Resize();
    void TV_Ope_DblClick();
    void mnuReConn_Click();
    void mnuExit_Click();
    void mnuSingleUserOnConnection_Click(bool checked);

    // tarnwick::OperationHost
    void ShowWaitPanel(const QString& text) override;
    void HideWaitPanel() override;
    QString resultText() const override;
    void setResultText(const QString& text) override;
    void setResultTextInPieces(const std::function<bool(QString& piece)>& nextPiece) override;
    void processEvents() override;
    void suggestSwitchOnConnection() override;

    MainServices& services() { return m_services; }
    bool operationRunning() const { return m_operationRunning; }

    QGroupBox* Frame1;
    QLabel* Label5;
    QLabel* Label1;
    QComboBox* Combo_DB;
    QLabel* Label2;
    QLabel* Label7;
    QLabel* Label8;
    QLabel* Label3;
    QTreeWidget* TV_Ope;
    QGroupBox* Frame2;
    QLabel* Label4;
    ResultArea* txtResult;
    QFrame* fra_Wait;
    QLabel* Image1;
    QLabel* Label6;
    tarnwick::ElapsedLabel* lblElapsed;  // the run's time so far, beside the caption
    QPushButton* cmdCancelRun;           // cancels the running statement, as Esc does
    QList<QPixmap> ImageList1;           // image n of the list is ImageList1[n - 1]
    QMenu* mnuFile;
    QAction* mnuReConn;
    QAction* mnuExit;
    QMenu* mnuOptions;                   // 选项
    QAction* mnuSingleUserOnConnection;  // checkable: switch single-user mode on this connection
    QAction* mnuConfirmDataLoss;         // checkable: ask before an operation that may lose data
    QLabel* lblServer;                   // in the status bar: the server connected now, or none

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    // Closing during a run cancels it; the window closes once the run has ended.
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    void showServer();
    void showNoServer();
    void fillCatalogue();
    void keepSelection();
    void layoutControls();
    void placeWaitPanel();
    void openMenu();
    bool connected() const;
    bool confirmed(const OperationRow& row);

    MainServices m_services;
    bool m_operationRunning = false;
    bool m_closeAfterRun = false;
    QPersistentModelIndex m_keptSelection;  // the node selected last
};
