#include "forms/preview/image_loader.h"

#include <QFileInfo>
#include <QImageReader>
#include <QRunnable>

namespace brivane {

namespace {

// One reading at a time: a picture whose format cannot read a part alone is
// decoded whole, and two such at once would double that peak.
constexpr int kReaders = 1;

} // namespace

ImageLoader::ImageLoader(qint64 budgetBytes, QObject* parent) : QObject(parent) {
    pool_.setMaxThreadCount(kReaders);
    // The reading thread, and the buffer it keeps, go soon after the last reading.
    pool_.setExpiryTimeout(2000);
    pixels_.setMaxCost(budgetBytes);
}

ImageLoader::~ImageLoader() {
    // A reading under way finishes first; its result goes nowhere.
    queue_.clear();
    pool_.waitForDone();
}

ImageLoader::Stamp ImageLoader::stampOf(const QString& path) {
    const QFileInfo info(path);
    Stamp stamp;
    stamp.exists = info.isFile();
    if (stamp.exists) {
        stamp.bytes = info.size();
        stamp.modified = info.lastModified();
    }
    return stamp;
}

// The path first, then a NUL that no path holds: the keys of one file share
// the prefix.
QString ImageLoader::partKey(const QString& path, const QRect& part) {
    return path + QChar(0) +
           QStringLiteral("%1,%2,%3,%4")
               .arg(part.x())
               .arg(part.y())
               .arg(part.width())
               .arg(part.height());
}

std::optional<ImageLoader::Picture> ImageLoader::picture(const QString& path,
                                                         const VisiblePart& visible) {
    const auto found = known_.constFind(path);
    if (found == known_.constEnd()) {
        queue({path, path, visible});
        return std::nullopt;
    }
    Picture picture;
    picture.readable = found->readable;
    if (!picture.readable)
        return picture;
    picture.size = found->size;
    picture.part = visible(found->size).intersected(QRect(QPoint(), found->size));
    if (picture.part.isEmpty())
        return picture;
    const QString key = partKey(path, picture.part);
    if (const QImage* pixels = pixels_.object(key)) {
        picture.pixels = *pixels;
        return picture;
    }
    if (tooLarge_.contains(key)) {
        picture.readable = false;
        return picture;
    }
    queue({key, path, visible});
    return std::nullopt;
}

void ImageLoader::queue(Job job) {
    if (running_.contains(job.key))
        return;
    for (const Job& queued : queue_)
        if (queued.key == job.key)
            return;
    queue_.push_back(std::move(job));
    startNext();
}

void ImageLoader::startNext() {
    while (!queue_.empty() && running_.size() < kReaders) {
        Job job = std::move(queue_.front());
        queue_.pop_front();
        running_.insert(job.key);
        pool_.start([this, job = std::move(job)] {
            Result result = read(job);
            // The loader waits for its readings before it goes; a result
            // posted to it after that is dropped with it.
            QMetaObject::invokeMethod(
                this, [this, result = std::move(result)] { take(result); }, Qt::QueuedConnection);
        });
    }
}

ImageLoader::Result ImageLoader::read(const Job& job) {
    Result result;
    result.key = job.key;
    result.path = job.path;
    // The stamp is taken before reading: a file changed meanwhile is read again.
    result.known.stamp = stampOf(job.path);
    if (!result.known.stamp.exists)
        return result;
    QImageReader reader(job.path);
    QSize size = reader.size();
    if (!reader.canRead())
        return result;
    if (!size.isValid()) {
        // A format that only knows its size once read is read whole.
        const QImage whole = reader.read();
        if (whole.isNull())
            return result;
        result.known.readable = true;
        result.known.size = whole.size();
        result.part = job.visible(whole.size()).intersected(whole.rect());
        if (!result.part.isEmpty())
            result.pixels = whole.copy(result.part);
        return result;
    }
    result.known.readable = true;
    result.known.size = size;
    result.part = job.visible(size).intersected(QRect(QPoint(), size));
    if (result.part.isEmpty())
        return result;
    if (reader.supportsOption(QImageIOHandler::ClipRect)) {
        reader.setClipRect(result.part);
        result.pixels = reader.read();
    } else {
        // The format decodes whole pictures only. Into one buffer this thread
        // keeps: a run of large pictures then does not map and unmap a large
        // block of memory for each, which holds up the window's thread too.
        thread_local QImage whole;
        if (reader.read(&whole))
            result.pixels = whole.copy(result.part);
    }
    if (result.pixels.isNull())
        result.known.readable = false;
    return result;
}

void ImageLoader::take(const Result& result) {
    running_.remove(result.key);
    known_.insert(result.path, result.known);
    if (!result.pixels.isNull()) {
        const QString key = partKey(result.path, result.part);
        const qint64 cost = result.pixels.sizeInBytes();
        if (cost > pixels_.maxCost())
            tooLarge_.insert(key);
        else
            pixels_.insert(key, new QImage(result.pixels), cost);
    }
    startNext();
    emit ready();
}

void ImageLoader::revalidate() {
    queue_.clear();
    for (auto it = known_.begin(); it != known_.end();) {
        if (it->stamp == stampOf(it.key())) {
            ++it;
            continue;
        }
        const QString prefix = it.key() + QChar(0);
        const QList<QString> keys = pixels_.keys();
        for (const QString& key : keys)
            if (key.startsWith(prefix))
                pixels_.remove(key);
        for (auto large = tooLarge_.begin(); large != tooLarge_.end();)
            large = large->startsWith(prefix) ? tooLarge_.erase(large) : std::next(large);
        it = known_.erase(it);
    }
}

} // namespace brivane
