#pragma once

#include <QCache>
#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QRect>
#include <QSet>
#include <QSize>
#include <QString>
#include <QThreadPool>

#include <deque>
#include <functional>
#include <optional>

namespace brivane {

// Reads the bar's pictures away from the user-interface thread, and only the
// part of each that can show on a button's face: a picture of 5600 x 5600 on a
// button of 100 x 26 costs the memory of 100 x 26 pixels once read, and the
// window goes on answering while it is read. What has been read is kept, up to
// a budget, and read again when its file has changed.
class ImageLoader : public QObject {
    Q_OBJECT

public:
    static constexpr qint64 kDefaultBudget = qint64(64) << 20;

    // The part of a picture of the given size that can show, in the picture's
    // own coordinates. Called on the reading thread: it must hold only values.
    using VisiblePart = std::function<QRect(QSize pictureSize)>;

    struct Picture {
        bool readable = false; // false: the file is missing or is no picture
        QSize size;            // the whole picture's size
        QRect part;            // the part read, in the picture's coordinates
        QImage pixels;         // that part (null when no part shows)
    };

    explicit ImageLoader(qint64 budgetBytes = kDefaultBudget, QObject* parent = nullptr);
    ~ImageLoader() override;

    // The picture in `path`, as much of it as `visible` says shows, once read.
    // Until then std::nullopt, and the reading is queued; ready() follows.
    std::optional<Picture> picture(const QString& path, const VisiblePart& visible);
    // Forgets the pictures whose files have changed since they were read, and
    // the readings queued but not begun (the caller asks again for what it
    // still needs).
    void revalidate();
    // True while a reading is queued or under way.
    bool busy() const { return !queue_.empty() || !running_.isEmpty(); }
    // The bytes of the pictures held.
    qint64 bytesHeld() const { return pixels_.totalCost(); }

signals:
    // A picture asked for has been read (or found unreadable).
    void ready();

private:
    struct Stamp {
        bool exists = false;
        qint64 bytes = 0;
        QDateTime modified;
        friend bool operator==(const Stamp& a, const Stamp& b) {
            return a.exists == b.exists && a.bytes == b.bytes && a.modified == b.modified;
        }
    };
    struct Known {
        Stamp stamp;
        bool readable = false;
        QSize size;
    };
    struct Job {
        QString key; // the path alone while the size is unknown, else partKey()
        QString path;
        VisiblePart visible;
    };
    struct Result {
        QString key;
        QString path;
        Known known;
        QRect part;
        QImage pixels;
    };

    static Stamp stampOf(const QString& path);
    static Result read(const Job& job);
    static QString partKey(const QString& path, const QRect& part);
    void queue(Job job);
    void startNext();
    void take(const Result& result);

    QThreadPool pool_;
    std::deque<Job> queue_;
    QSet<QString> running_;
    QHash<QString, Known> known_;
    // Parts read, by partKey(); the cost is their size in bytes.
    QCache<QString, QImage> pixels_;
    // Parts larger than the whole budget: shown as the placeholder, never kept.
    QSet<QString> tooLarge_;
};

} // namespace brivane
