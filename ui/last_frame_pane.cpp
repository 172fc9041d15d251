#include "ui/last_frame_pane.h"

#include <QPainter>

namespace {
// The largest picture kept; the pane scales it down to its own size when it paints.
const QSize kKeptSize(1600, 1200);
constexpr int kGap = 4;
}  // namespace

LastFramePane::LastFramePane(QWidget* parent) : QWidget(parent) {
    setObjectName("lastFramePane");
    setMinimumSize(0, 0);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    connect(&loader_, &LastFrameLoader::loaded, this, &LastFramePane::onLoaded);
}

void LastFramePane::showFrame(const QString& path, int frame) {
    if (path == path_ && frame == frame_) {
        return;
    }
    path_ = path;
    frame_ = frame;
    if (path.isEmpty()) {
        image_ = QImage();
        caption_.clear();
        update();
        emit pictureChanged();
        return;
    }
    loader_.request(path, frame, kKeptSize);
}

void LastFramePane::onLoaded(const QString& path, int frame, const QImage& image,
                             const QString& note) {
    if (path != path_) {
        return;
    }
    image_ = image;
    caption_ = "Frame " + QString::number(frame);
    if (!note.isEmpty()) {
        caption_ += ": " + note;
    }
    update();
    emit pictureChanged();
}

void LastFramePane::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QRect area = rect();
    int line = fontMetrics().height();
    if (!caption_.isEmpty()) {
        QRect text(area.left(), area.bottom() - line + 1, area.width(), line);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(text, Qt::AlignHCenter | Qt::AlignVCenter,
                         fontMetrics().elidedText(caption_, Qt::ElideRight, area.width()));
        area.setBottom(text.top() - kGap);
    }
    if (!image_.isNull() && area.width() > 0 && area.height() > 0) {
        QImage fitted = image_.scaled(area.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
        QPoint at(area.left() + (area.width() - fitted.width()) / 2,
                  area.top() + (area.height() - fitted.height()) / 2);
        painter.drawImage(at, fitted);
    }
}
