#include "ui/last_frame_loader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QImageReader>
#include <QMetaObject>
#include <QPointer>
#include <QThreadPool>

namespace {

// Bigger image files are not read for a preview.
constexpr qint64 kMaxImageBytes = 256ll * 1024 * 1024;

// The file's bytes when it is a regular file of a sensible size. Opened without blocking, so a
// FIFO or a device in the image folder cannot hold the reader.
bool readImageFile(const QString& path, QByteArray& out) {
    int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxImageBytes;
    if (ok) {
        out.resize(static_cast<qsizetype>(st.st_size));
        qsizetype done = 0;
        while (done < out.size()) {
            ssize_t n = ::read(fd, out.data() + done, static_cast<size_t>(out.size() - done));
            if (n <= 0) {
                break;
            }
            done += n;
        }
        out.resize(done);
    }
    ::close(fd);
    return ok;
}

// Qt reads a TGA only with the footer of the format's second version, which many savers leave
// out; an image without one is given it, which changes nothing else the reader looks at.
void addTgaFooter(QByteArray& bytes) {
    static const QByteArray footer("TRUEVISION-XFILE.", 18);
    if (!bytes.endsWith(footer)) {
        bytes.append(QByteArray(8, '\0')).append(footer);
    }
}

bool formatReadable(const QString& suffix) {
    return QImageReader::supportedImageFormats().contains(suffix.toLower().toLatin1());
}

}  // namespace

LastFrameLoader::LastFrameLoader(QObject* parent)
    : QObject(parent), generation_(std::make_shared<std::atomic<unsigned>>(0)) {}

LastFrameLoader::~LastFrameLoader() {
    *generation_ += 1;  // a read still running is dropped
}

LastFrameLoader::Result LastFrameLoader::read(const QString& path, QSize bound) {
    QString suffix = QFileInfo(path).suffix();
    if (!formatReadable(suffix)) {
        return {QImage(), "no preview for ." + suffix.toUpper()};
    }
    QByteArray bytes;
    if (!readImageFile(path, bytes)) {
        return {QImage(), "no image"};
    }
    if (suffix.compare("tga", Qt::CaseInsensitive) == 0) {
        addTgaFooter(bytes);
    }
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, suffix.toLower().toLatin1());
    QSize size = reader.size();
    if (size.isValid() && (size.width() > bound.width() || size.height() > bound.height())) {
        reader.setScaledSize(size.scaled(bound, Qt::KeepAspectRatio));
    }
    QImage image = reader.read();
    if (image.isNull()) {
        return {QImage(), "unreadable image"};
    }
    return {image, QString()};
}

void LastFrameLoader::request(const QString& path, int frame, QSize bound) {
    Request r{path, frame, bound};
    *generation_ += 1;
    if (running_) {
        waiting_ = r;
        pending_ = true;
        return;
    }
    start(r);
}

void LastFrameLoader::start(const Request& r) {
    running_ = true;
    unsigned generation = *generation_;
    QPointer<LastFrameLoader> self(this);
    auto counter = generation_;
    QThreadPool::globalInstance()->start([self, r, generation, counter] {
        Result result = read(r.path, r.bound);
        if (*counter != generation) {
            result = Result{};  // overtaken: nobody needs it
        }
        // Back on the GUI thread, where the loader may meanwhile have gone.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, r, result, generation] {
                if (self) {
                    self->finished(r, result, generation);
                }
            },
            Qt::QueuedConnection);
    });
}

void LastFrameLoader::finished(const Request& r, const Result& result, unsigned generation) {
    running_ = false;
    if (pending_) {
        pending_ = false;
        start(waiting_);
        return;
    }
    if (*generation_ == generation) {
        emit loaded(r.path, r.frame, result.image, result.note);
    }
}
