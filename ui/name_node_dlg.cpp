#include "ui/name_node_dlg.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

#include "farm/farm_state.h"
#include "ui/dialog_units.h"
#include "ui/form_controls.h"

namespace {
constexpr int kNameBytes = sizeof(NodeSlot::name) - 1;
}  // namespace

CNameNodeDlg::CNameNodeDlg(const QString& name, QWidget* parent) : QDialog(parent) {
    DialogUnits du(QApplication::font());
    setWindowTitle("Name Node");
    setFixedSize(du.rect(0, 0, 186, 52).size());
    addStaticText(this, du, "Name this node as:", 7, 7, 116, 10);
    nameBox_ = new QLineEdit(name, this);
    nameBox_->setMaxLength(kNameBytes);
    du.place(nameBox_, 7, 23, 114, 14);
    QPushButton* ok = addPushButton(this, du, "OK", 129, 7, 50, 14);
    ok->setDefault(true);
    QPushButton* cancel = addPushButton(this, du, "Cancel", 129, 24, 50, 14);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    nameBox_->setFocus();
    nameBox_->selectAll();
}

QString CNameNodeDlg::name() const {
    QString text = nameBox_->text();
    while (text.toUtf8().size() > kNameBytes) {
        text.chop(1);
    }
    return text;
}
