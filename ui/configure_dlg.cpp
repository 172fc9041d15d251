#include "ui/configure_dlg.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTreeWidget>

#include "engine/operator_commands.h"
#include "farm/farm.h"
#include "farm/view_texts.h"
#include "platform/fixed_text.h"
#include "settings/settings_file.h"
#include "settings/settings_table.h"
#include "ui/form_controls.h"
#include "ui/message_boxes.h"
#include "ui/name_node_dlg.h"
#include "ui/qt_text.h"

namespace {

constexpr int kMinNodeCount = 1;
constexpr int kMaxNodeCount = 100;

}  // namespace

CConfigureDlg::CConfigureDlg(Farm& farm, QWidget* parent)
    : QDialog(parent), farm_(farm), du_(QApplication::font()) {
    setWindowTitle("Configure Kestrun");
    setFixedSize(du_.rect(0, 0, 438, 386).size());
    QPushButton* ok = addPushButton(this, du_, "OK", 382, 9, 50, 14);
    ok->setDefault(true);
    QPushButton* cancel = addPushButton(this, du_, "Cancel", 382, 26, 50, 14);
    connect(ok, &QPushButton::clicked, this, &CConfigureDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CConfigureDlg::reject);
    addStaticText(this, du_,
                  "This panel is broken. We suggest you manually configure the program by "
                  "editing KESTRUN.INI",
                  302, 15, 73, 63);
    buildDirectories();
    buildOutput();
    buildFarm();
    buildOther();
    buildPathMapping();
    buildNotifications();
    buildWebMonitor();
    openConfigure();
}

CConfigureDlg::~CConfigureDlg() {
    if (open_) {
        cancelConfigure();  // destroyed without OK or Cancel (the program is ending)
    }
}

void CConfigureDlg::fillPathMap() {
    pathMap_->setRowCount(0);
    for (const PathMapping& pair : farm_.settings.pathMap) {
        int row = pathMap_->rowCount();
        pathMap_->insertRow(row);
        pathMap_->setItem(row, 0, new QTableWidgetItem(qtext(pair.nodePath)));
        pathMap_->setItem(row, 1, new QTableWidgetItem(qtext(pair.localPath)));
    }
    addMapping_->setEnabled(pathMap_->rowCount() < kMaxPathMaps);
}

void CConfigureDlg::addMapping() {
    if (pathMap_->rowCount() >= kMaxPathMaps) {
        return;
    }
    int row = pathMap_->rowCount();
    pathMap_->insertRow(row);
    pathMap_->setItem(row, 0, new QTableWidgetItem);
    pathMap_->setItem(row, 1, new QTableWidgetItem);
    pathMap_->setCurrentCell(row, 0);
    pathMap_->editItem(pathMap_->item(row, 0));
    addMapping_->setEnabled(pathMap_->rowCount() < kMaxPathMaps);
}

void CConfigureDlg::removeMapping() {
    int row = pathMap_->currentRow();
    if (row >= 0) {
        pathMap_->removeRow(row);
    }
    addMapping_->setEnabled(pathMap_->rowCount() < kMaxPathMaps);
}

bool CConfigureDlg::readPathMap(std::vector<PathMapping>& pairs) {
    pairs.clear();
    for (int row = 0; row < pathMap_->rowCount(); ++row) {
        auto text = [&](int column) {
            QTableWidgetItem* item = pathMap_->item(row, column);
            return item != nullptr ? item->text().trimmed().toStdString() : std::string();
        };
        PathMapping pair{text(0), text(1)};
        if (pair.nodePath.empty() && pair.localPath.empty()) {
            continue;  // an empty row is no mapping
        }
        QString problem;
        int column = 0;
        if (pair.nodePath.empty()) {
            problem = QString("Path mapping %1 has no node path.").arg(row + 1);
        } else if (!farm_.fs.isDirectory(pair.localPath)) {
            problem = QString("Path mapping %1: the local path \"%2\" is not a folder.")
                          .arg(row + 1)
                          .arg(qtext(pair.localPath));
            column = 1;
        }
        if (!problem.isEmpty()) {
            stopBox(this, kAppTitle, problem, QMessageBox::Ok, QMessageBox::Ok);
            pathMap_->setCurrentCell(row, column);
            pathMap_->setFocus();
            return false;
        }
        pairs.push_back(std::move(pair));
    }
    return true;
}

void CConfigureDlg::openConfigure() {
    farm_.state.halted = true;
    const FarmSettings& s = farm_.settings;
    nodeCount_->setText(QString::number(s.No_Of_Nodes));
    queueDir_->setText(qtext(s.Scene_Queue_Dir));
    commandDir_->setText(qtext(s.Screamer_Command_Dir));
    imagePrefix_->setText(qtext(s.imageFilePrefix));
    nodeList_->setColumnWidth(0, du_.scaledPixels(60));
    nodeList_->setColumnWidth(1, du_.scaledPixels(70));
    fillNodeList();
    fillPathMap();
    beepError_->setChecked(s.Beep_error != 0);
    beepCompletion_->setChecked(s.Beep_compl != 0);
    autoFix_->setChecked(s.Auto_fix != 0);
    stuckMinutes_->setText(QString::number(s.Stuck_Minutes));
    notifyCommand_->setText(qtext(s.Notify_Command));
    webPort_->setText(QString::number(s.Port));
    webAddress_->setText(qtext(s.Address));
    webToken_->setText(qtext(s.Token));
}

void CConfigureDlg::fillNodeList() {
    nodeList_->clear();
    int nodes = std::clamp(farm_.settings.No_Of_Nodes, 0, kMaxNodes);
    for (int i = 1; i <= nodes; ++i) {
        const NodeSlot& n = farm_.state.nodes[i];
        new QTreeWidgetItem(
            nodeList_, {qtext(nodeLabel(i, textOf(n.name))), qtext(configNodeStatusText(n.state))});
    }
}

void CConfigureDlg::renameNode() {
    QTreeWidgetItem* item = nodeList_->currentItem();
    if (item == nullptr || !item->isSelected()) {
        return;
    }
    int node = nodeList_->indexOfTopLevelItem(item) + 1;
    NodeSlot& slot = farm_.state.nodes[node];
    CNameNodeDlg dialog(qtext(textOf(slot.name)), this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    copyText(slot.name, dialog.name().toStdString());
    item->setText(0, qtext(nodeLabel(node, textOf(slot.name))));
}

void CConfigureDlg::stepNodeCount(int step) {
    bool ok = false;
    int value = nodeCount_->text().trimmed().toInt(&ok);
    value = ok ? value + step : farm_.settings.No_Of_Nodes;
    nodeCount_->setText(QString::number(std::clamp(value, kMinNodeCount, kMaxNodeCount)));
}

bool CConfigureDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == nodeCount_ && event->type() == QEvent::KeyPress) {
        int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            stepNodeCount(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool CConfigureDlg::readNumber(QLineEdit* box, int low, int high, int& value) {
    bool isNumber = false;
    value = box->text().trimmed().toInt(&isNumber);
    if (isNumber && value >= low && value <= high) {
        return true;
    }
    QString text = isNumber
                       ? QString("Please enter an integer between %1 and %2.").arg(low).arg(high)
                       : QString("Please enter an integer.");
    QMessageBox::warning(this, kAppTitle, text);
    box->setFocus();
    box->selectAll();
    return false;
}

bool CConfigureDlg::readSetting(QLineEdit* box, int32_t FarmSettings::*number, int& value) {
    const SettingKey& row = settingRow(number);
    return readNumber(box, row.low, largestSetting(row), value);
}

bool CConfigureDlg::confirmConfigure() {
    int count = 0;
    int stuckMinutes = 0;
    int port = 0;
    if (!readNumber(nodeCount_, kMinNodeCount, kMaxNodeCount, count) ||
        !readSetting(stuckMinutes_, &FarmSettings::Stuck_Minutes, stuckMinutes) ||
        !readSetting(webPort_, &FarmSettings::Port, port)) {
        return false;
    }
    std::vector<PathMapping> pairs;
    if (!readPathMap(pairs)) {
        return false;
    }
    std::string queueDir = queueDir_->text().toStdString();
    if (!directoryWritable(farm_.fs, queueDir)) {
        stopBox(this, kAppTitle, "Queue Directory does not exist", QMessageBox::Ok,
                QMessageBox::Ok);
        return false;
    }
    farm_.settings.Scene_Queue_Dir = queueDir;
    std::string commandDir = commandDir_->text().toStdString();
    if (!directoryWritable(farm_.fs, commandDir)) {
        stopBox(this, kAppTitle, "Screamernet Directory does not exist", QMessageBox::Ok,
                QMessageBox::Ok);
        return false;
    }
    farm_.settings.Screamer_Command_Dir = commandDir;
    farm_.settings.imageFilePrefix = imagePrefix_->text().toStdString();
    farm_.settings.pathMap = std::move(pairs);
    farm_.settings.Stuck_Minutes = stuckMinutes;
    farm_.settings.Notify_Command = notifyCommand_->text().toStdString();
    farm_.settings.Port = port;
    farm_.settings.Address = webAddress_->text().trimmed().toStdString();
    farm_.settings.Token = webToken_->text().toStdString();
    saveSettings(farm_, false);
    logOperator(farm_, "Configure Kestrun");
    farm_.state.halted = false;
    return true;
}

void CConfigureDlg::cancelConfigure() {
    loadSettings(farm_);
    farm_.state.halted = false;
}

void CConfigureDlg::accept() {
    if (confirmConfigure()) {
        open_ = false;
        QDialog::accept();
    }
}

void CConfigureDlg::reject() {
    open_ = false;
    cancelConfigure();
    QDialog::reject();
}
