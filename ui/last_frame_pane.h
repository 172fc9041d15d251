// The Last Frame pane: the newest finished image of a scene, scaled to fit, with its frame
// number underneath; for an image format Qt cannot read, a short "no preview for .IFF" line.
// show() asks for a frame; the picture is read in the background (LastFrameLoader) and appears
// when it has been read, so the farm's tick never waits for it. Asking again for the frame on
// show does nothing.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

#include "ui/last_frame_loader.h"

class LastFramePane : public QWidget {
    Q_OBJECT

  public:
    explicit LastFramePane(QWidget* parent = nullptr);

    // The image at path for frame `frame` of its scene; an empty path shows nothing.
    void showFrame(const QString& path, int frame);
    QString shownPath() const { return path_; }
    // The caption under the picture: "Frame 12", with the note of a frame without picture.
    QString caption() const { return caption_; }
    bool hasPicture() const { return !image_.isNull(); }
    const LastFrameLoader& loader() const { return loader_; }

  signals:
    void pictureChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void onLoaded(const QString& path, int frame, const QImage& image, const QString& note);

    LastFrameLoader loader_;
    QString path_;
    int frame_ = -1;
    QImage image_;
    QString caption_;
};
