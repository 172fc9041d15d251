// The Configure dialog's layout: its groups and their controls, placed in dialog units.
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>

#include "farm/farm.h"
#include "settings/settings_table.h"
#include "ui/configure_dlg.h"
#include "ui/form_controls.h"

namespace {

// Longest directory the settings file gives back whole.
constexpr int kMaxDirectory = 259;

// The path table's cells take at most what the settings file keeps of a path.
class PathDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            line->setMaxLength(kMaxDirectory);
        }
        return editor;
    }
};

}  // namespace

void CConfigureDlg::buildDirectories() {
    addGroup(this, du_, "Directories", 7, 7, 284, 81);
    addStaticText(this, du_, "Scene File Queue Directory:", 18, 23, 98, 14);
    queueDir_ = new QLineEdit(this);
    queueDir_->setObjectName("queueDir");
    du_.place(queueDir_, 121, 20, 154, 14);
    addStaticText(this, du_, "Screamernet Control Directory:", 18, 38, 99, 14);
    commandDir_ = new QLineEdit(this);
    commandDir_->setObjectName("commandDir");
    du_.place(commandDir_, 121, 35, 154, 14);
    addStaticText(this, du_, "Image File Prefix", 19, 53, 90, 11);
    imagePrefix_ = new QLineEdit(this);
    imagePrefix_->setObjectName("imagePrefix");
    du_.place(imagePrefix_, 121, 50, 154, 14);
    for (QLineEdit* box : {queueDir_, commandDir_, imagePrefix_}) {
        box->setMaxLength(kMaxDirectory);
    }
}

void CConfigureDlg::buildOutput() {
    addGroup(this, du_, "Output", 7, 94, 284, 36);
    addStaticText(this, du_, "Render Method", 12, 103, 82, 8);
    method_ = new QComboBox(this);
    method_->setObjectName("method");
    // The farm renders the frames whose images are absent, and nothing else: the other methods
    // of the settings file are not offered. Frames are rendered over with Render Again.
    method_->addItem("Render All Absent Frames");
    method_->setEnabled(false);
    method_->setToolTip(
        "Frames whose images exist count as done. To render frames over their "
        "images, use Render Again in the Queue Status list's menu.");
    method_->setGeometry(du_.x(11), du_.y(112), du_.x(122), method_->sizeHint().height());
    addStaticText(this, du_, "Render Scenes", 143, 103, 82, 8);
    scenesAtOnce_ = new QComboBox(this);
    scenesAtOnce_->setEditable(true);
    scenesAtOnce_->addItem("Render One Scene at a Time");
    scenesAtOnce_->setEnabled(false);
    scenesAtOnce_->setGeometry(du_.x(143), du_.y(112), du_.x(126),
                               scenesAtOnce_->sizeHint().height());
}

void CConfigureDlg::buildFarm() {
    addGroup(this, du_, "Farm", 7, 132, 284, 79);
    addStaticText(this, du_, "Number of Nodes", 19, 148, 56, 8);
    nodeCount_ = new QLineEdit(this);
    nodeCount_->setObjectName("nodeCount");
    nodeCount_->installEventFilter(this);
    du_.place(nodeCount_, 15, 160, 80, 14);
    // The spin control: two arrows beside the box, writing the stepped number into it.
    QRect spin = du_.rect(95, 157, 11, 20);
    auto* up = new QToolButton(this);
    auto* down = new QToolButton(this);
    up->setArrowType(Qt::UpArrow);
    down->setArrowType(Qt::DownArrow);
    up->setGeometry(spin.x(), spin.y(), spin.width(), spin.height() / 2);
    down->setGeometry(spin.x(), spin.y() + spin.height() / 2, spin.width(), spin.height() / 2);
    connect(up, &QToolButton::clicked, this, [this] { stepNodeCount(1); });
    connect(down, &QToolButton::clicked, this, [this] { stepNodeCount(-1); });

    nodeList_ = new QTreeWidget(this);
    nodeList_->setObjectName("nodeList");
    nodeList_->setHeaderLabels({"Node", "Status"});
    nodeList_->setRootIsDecorated(false);
    nodeList_->setSelectionMode(QAbstractItemView::SingleSelection);
    nodeList_->header()->setStretchLastSection(false);
    du_.place(nodeList_, 120, 145, 156, 60);
    QPushButton* rename = addPushButton(this, du_, "Change Node Name", 15, 186, 88, 16);
    connect(rename, &QPushButton::clicked, this, &CConfigureDlg::renameNode);
}

void CConfigureDlg::buildOther() {
    addGroup(this, du_, "Other", 300, 100, 124, 111);
    beepError_ = addOption(305, 115, 12, 10, "Beep On Error", 115, farm_.settings.Beep_error);
    beepError_->setObjectName("beepError");
    beepCompletion_ =
        addOption(305, 133, 9, 9, "Beep on completion of scene", 133, farm_.settings.Beep_compl);
    beepCompletion_->setObjectName("beepCompletion");
    autoFix_ = addOption(305, 149, 11, 11, "Auto-fix bad save paths", 150, farm_.settings.Auto_fix);
    autoFix_->setObjectName("autoFix");
    addStaticText(this, du_, "Default Save Location:", 305, 176, 93, 9);
    defaultSave_ = new QLineEdit(this);
    du_.place(defaultSave_, 305, 189, 112, 15);
}

QRadioButton* CConfigureDlg::addOption(int l, int t, int w, int h, const char* label, int labelTop,
                                       int32_t& setting) {
    auto* button = new QRadioButton(this);
    button->setAutoExclusive(false);
    QRect at = du_.rect(l, t, w, h);
    QSize indicator = button->sizeHint();
    button->setGeometry(at.x(), at.center().y() - indicator.height() / 2,
                        std::max(at.width(), indicator.width()), indicator.height());
    addCaption(this, du_, label, 319, labelTop);
    // Each option is its own switch: a click turns the setting over and shows its new value.
    connect(button, &QRadioButton::clicked, this, [button, &setting] {
        setting = setting != 0 ? 0 : 1;
        button->setChecked(setting != 0);
    });
    return button;
}

void CConfigureDlg::buildPathMapping() {
    addGroup(this, du_, "Path Mapping", 7, 216, 417, 84);
    pathMap_ = new QTableWidget(0, 2, this);
    pathMap_->setObjectName("pathMap");
    pathMap_->setHorizontalHeaderLabels({"Node path", "Local path"});
    pathMap_->horizontalHeader()->setStretchLastSection(true);
    pathMap_->verticalHeader()->hide();
    pathMap_->setSelectionMode(QAbstractItemView::SingleSelection);
    pathMap_->setItemDelegate(new PathDelegate(pathMap_));
    du_.place(pathMap_, 15, 229, 340, 64);
    pathMap_->setColumnWidth(0, du_.x(130));
    addMapping_ = addPushButton(this, du_, "Add", 364, 229, 50, 14);
    QPushButton* remove = addPushButton(this, du_, "Remove", 364, 246, 50, 14);
    connect(addMapping_, &QPushButton::clicked, this, &CConfigureDlg::addMapping);
    connect(remove, &QPushButton::clicked, this, &CConfigureDlg::removeMapping);
}

QLineEdit* CConfigureDlg::addLabelledBox(const char* caption, int captionLeft, int l, int t, int w,
                                         const char* objectName) {
    QLabel* label = addStaticText(this, du_, caption, captionLeft, t + 3, l - captionLeft - 2, 8);
    auto* box = new QLineEdit(this);
    box->setObjectName(objectName);
    du_.place(box, l, t, w, 14);
    label->setBuddy(box);
    return box;
}

void CConfigureDlg::buildNotifications() {
    addGroup(this, du_, "Notifications", 7, 304, 417, 36);
    stuckMinutes_ = addLabelledBox("Stuck after &minutes:", 15, 87, 317, 30, "stuckMinutes");
    notifyCommand_ = addLabelledBox("Notify &command:", 127, 195, 317, 219, "notifyCommand");
    stuckMinutes_->setMaxLength(static_cast<int>(settingRow(&FarmSettings::Stuck_Minutes).limit));
    notifyCommand_->setMaxLength(static_cast<int>(settingRow(&FarmSettings::Notify_Command).limit));
}

void CConfigureDlg::buildWebMonitor() {
    addGroup(this, du_, "Web Monitor (read at the next start)", 7, 344, 417, 36);
    webPort_ = addLabelledBox("&Port:", 15, 42, 357, 30, "webPort");
    webAddress_ = addLabelledBox("A&ddress:", 82, 117, 357, 90, "webAddress");
    webToken_ = addLabelledBox("&Token:", 217, 247, 357, 167, "webToken");
    webPort_->setMaxLength(static_cast<int>(settingRow(&FarmSettings::Port).limit));
    webAddress_->setMaxLength(static_cast<int>(settingRow(&FarmSettings::Address).limit));
    webToken_->setMaxLength(static_cast<int>(settingRow(&FarmSettings::Token).limit));
    webToken_->setEchoMode(QLineEdit::PasswordEchoOnEdit);  // shown only while typed
}
