#include "ui/render_again_dlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QSpinBox* frameBox(const char* name, int first, int last, int value) {
    auto* box = new QSpinBox;
    box->setObjectName(name);
    box->setRange(first, last);
    box->setValue(value);
    return box;
}

}  // namespace

RenderAgainDlg::RenderAgainDlg(QWidget* parent, const QString& scene, int first, int last, int step)
    : QDialog(parent) {
    setWindowTitle("Render Again");
    QString range = QString("%1 to %2").arg(first).arg(last);
    if (step > 1) {
        range += QString(", every %1th").arg(step);
    }
    auto* text = new QLabel(
        QString("Render frames of %1 again (its frames: %2). The nodes write over the images "
                "these frames have; a frame a node is rendering now is left to it.")
            .arg(scene, range));
    text->setWordWrap(true);
    text->setTextFormat(Qt::PlainText);
    first_ = frameBox("firstFrame", first, last, first);
    last_ = frameBox("lastFrame", first, last, last);
    // The range stays in order whichever end the operator moves.
    connect(first_, &QSpinBox::valueChanged, last_, [this](int value) {
        if (last_->value() < value) {
            last_->setValue(value);
        }
    });
    connect(last_, &QSpinBox::valueChanged, first_, [this](int value) {
        if (first_->value() > value) {
            first_->setValue(value);
        }
    });
    auto* form = new QFormLayout;
    form->addRow("&From frame:", first_);
    form->addRow("&To frame:", last_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText("&Render Again");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

int RenderAgainDlg::firstFrame() const {
    return first_->value();
}

int RenderAgainDlg::lastFrame() const {
    return last_->value();
}
