// The Render Again dialog: which frames of a queued scene to render once more, as a range
// within the scene's own (the whole scene to start with). It only asks; the view carries the
// command out.
#pragma once

#include <QDialog>

class QSpinBox;

class RenderAgainDlg : public QDialog {
    Q_OBJECT

  public:
    // The scene's file name and range (first to last by step).
    RenderAgainDlg(QWidget* parent, const QString& scene, int first, int last, int step);

    int firstFrame() const;
    int lastFrame() const;

  private:
    QSpinBox* first_ = nullptr;
    QSpinBox* last_ = nullptr;
};
