// Reads the Last Frame pane's picture away from the GUI thread, so that a large image on a slow
// share never holds up the farm's tick. Only the newest request counts: while one image is being
// read, a later request waits in the one pending place (replacing any request already waiting),
// and a finished read that a newer request has overtaken is dropped.
#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <atomic>
#include <memory>

class LastFrameLoader : public QObject {
    Q_OBJECT

  public:
    explicit LastFrameLoader(QObject* parent = nullptr);
    ~LastFrameLoader() override;

    // Reads the image at path, scaled to fit within bound.
    void request(const QString& path, int frame, QSize bound);
    bool busy() const { return running_; }

    // The picture of a finished read; a null image with a note (e.g. "no preview for .IFF")
    // where there is none. Safe to call from any thread.
    struct Result {
        QImage image;
        QString note;
    };
    static Result read(const QString& path, QSize bound);

  signals:
    void loaded(const QString& path, int frame, const QImage& image, const QString& note);

  private:
    struct Request {
        QString path;
        int frame = -1;
        QSize bound;
    };
    void start(const Request& r);
    void finished(const Request& r, const Result& result, unsigned generation);

    bool running_ = false;
    bool pending_ = false;
    Request waiting_;
    std::shared_ptr<std::atomic<unsigned>> generation_;
};
