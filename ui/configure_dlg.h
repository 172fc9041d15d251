// CConfigureDlg, "Configure Kestrun": the queue and command folders, the render method, the
// three options and the node names, edited while the farm runs. The farm stands still while the
// dialog is open (FarmState::halted). The options, the method and node names change in memory
// as soon as they are touched; OK checks the fields and saves the settings file, Cancel (the
// button, Escape or the close box) reloads the file, undoing every change. Its Path Mapping group
// edits the pairs of folders the render nodes name differently from this machine; below it the
// stuck-node time and the notify command, and the web monitor's port, address and token (which
// the programs read at start-up), applied on OK like the folders.
// configure_layout.cpp places the groups and their controls; configure_dlg.cpp fills, reads and
// saves them.
#pragma once

#include <QDialog>
#include <cstdint>
#include <vector>

#include "ui/dialog_units.h"

#include "farm/farm_settings.h"

struct Farm;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QTreeWidget;

class CConfigureDlg : public QDialog {
    Q_OBJECT

  public:
    CConfigureDlg(Farm& farm, QWidget* parent = nullptr);
    ~CConfigureDlg() override;

  public slots:
    void accept() override;  // confirmConfigure
    void reject() override;  // cancelConfigure
    void renameNode();
    void addMapping();
    void removeMapping();

  private:
    void buildDirectories();
    void buildOutput();
    void buildFarm();
    void buildOther();
    void buildPathMapping();
    void buildNotifications();
    void buildWebMonitor();
    // A line edit at l, t, w, h with its caption at captionLeft, which names it with a mnemonic.
    QLineEdit* addLabelledBox(const char* caption, int captionLeft, int l, int t, int w,
                              const char* objectName);
    // The box's number, or false after telling the operator it is not an integer low..high.
    bool readNumber(QLineEdit* box, int low, int high, int& value);
    // The numeric box of a setting within the setting's limits.
    bool readSetting(QLineEdit* box, int32_t FarmSettings::*number, int& value);
    void fillPathMap();
    // The table's pairs in use; false (after telling the operator) when one is incomplete.
    bool readPathMap(std::vector<PathMapping>& pairs);
    void openConfigure();
    void fillNodeList();
    bool confirmConfigure();
    void cancelConfigure();
    QRadioButton* addOption(int l, int t, int w, int h, const char* label, int labelTop,
                            int32_t& setting);
    void stepNodeCount(int step);
    bool eventFilter(QObject* watched, QEvent* event) override;

    Farm& farm_;
    DialogUnits du_;
    bool open_ = true;  // neither OK nor Cancel has closed it yet
    QLineEdit* nodeCount_ = nullptr;
    QLineEdit* queueDir_ = nullptr;
    QLineEdit* commandDir_ = nullptr;
    QLineEdit* imagePrefix_ = nullptr;
    QLineEdit* defaultSave_ = nullptr;
    QComboBox* method_ = nullptr;
    QComboBox* scenesAtOnce_ = nullptr;
    QTreeWidget* nodeList_ = nullptr;
    QRadioButton* beepError_ = nullptr;
    QRadioButton* beepCompletion_ = nullptr;
    QRadioButton* autoFix_ = nullptr;
    QTableWidget* pathMap_ = nullptr;
    QPushButton* addMapping_ = nullptr;
    QLineEdit* stuckMinutes_ = nullptr;
    QLineEdit* notifyCommand_ = nullptr;
    QLineEdit* webPort_ = nullptr;
    QLineEdit* webAddress_ = nullptr;
    QLineEdit* webToken_ = nullptr;
};
