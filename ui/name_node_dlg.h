// CNameNodeDlg: asks for one node's new name. The box keeps at most 23 characters, what a
// node's name field holds.
#pragma once

#include <QDialog>

class QLineEdit;

class CNameNodeDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CNameNodeDlg(const QString& name, QWidget* parent = nullptr);
    // The name as typed, cut so that its UTF-8 form fits a node's name field.
    QString name() const;
    QLineEdit* nameBox() const { return nameBox_; }

  private:
    QLineEdit* nameBox_;
};
