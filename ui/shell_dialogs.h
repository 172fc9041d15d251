// The application shell's two fixed dialogs: the About box and the notice that the program is
// not configured. Both are modal, laid out in dialog units and closed by their one button.
#pragma once

#include <QDialog>

class CAboutDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

class CNotConfiguredDlg : public QDialog {
    Q_OBJECT

  public:
    // settingsPath: the settings file the program looked for, named in the notice.
    explicit CNotConfiguredDlg(const QString& settingsPath, QWidget* parent = nullptr);
};
