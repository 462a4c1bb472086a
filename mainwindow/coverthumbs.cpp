#include "coverthumbs.h"

#include <QMetaObject>
#include <QPointer>

#include "store/coverimage.h"

#include <algorithm>

namespace {

constexpr std::size_t kMostQueued = 256; // a few screens of tiles

} // namespace

CoverThumbs::CoverThumbs(store::Covers& covers, store::ThumbnailCache cache, QObject* parent)
    : QObject(parent), covers_(covers), disk_(std::move(cache)) {
    cache_.setMaxCost(kMemoryMb * 1024);
    covers_.onChange([self = QPointer<CoverThumbs>(this)](std::int32_t num) {
        if (self) {
            ++self->generation_; // what is being made now may show the old picture
            self->cache_.remove(num);
            emit self->ready(num);
        }
    });
}

CoverThumbs::~CoverThumbs() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
        queue_.clear();
    }
    pool_.waitForDone();
}

QImage CoverThumbs::thumbnail(std::int32_t num) {
    if (const QImage* image = cache_.object(num))
        return *image;
    Request request{num, generation_, {}, nullptr};
    if (covers_.waiting(num)) {
        request.waiting = covers_.picture(num);
        if (!request.waiting) {
            made(num, generation_, QImage());
            return {};
        }
    } else {
        request.path = covers_.path(num);
    }
    {
        std::lock_guard lock(mutex_);
        if (!asked_.insert(num).second)
            return {};
        queue_.push_back(std::move(request));
        if (queue_.size() > kMostQueued) {
            asked_.erase(queue_.front().num);
            queue_.pop_front();
        }
    }
    pool_.start([this] { make(); });
    return {};
}

void CoverThumbs::make() {
    Request request;
    {
        std::lock_guard lock(mutex_);
        if (queue_.empty() || closing_)
            return;
        request = std::move(queue_.back());
        queue_.pop_back();
    }
    QImage image;
    try {
        if (request.waiting) {
            image = store::thumbnailOf(*request.waiting);
        } else if (const std::string jpeg = disk_.ofFile(request.path, request.num);
                   !jpeg.empty()) {
            image = QImage::fromData(reinterpret_cast<const uchar*>(jpeg.data()),
                                     static_cast<int>(jpeg.size()), "JPEG");
        }
    } catch (const std::exception&) {
        // An unreadable cover shows as none on the wall; the cover panel tells why.
    }
    QMetaObject::invokeMethod(
        this,
        [this, num = request.num, generation = request.generation, image] {
            made(num, generation, image);
        },
        Qt::QueuedConnection);
}

void CoverThumbs::made(std::int32_t num, std::uint64_t generation, const QImage& image) {
    {
        std::lock_guard lock(mutex_);
        asked_.erase(num);
    }
    if (generation != generation_) {
        emit ready(num); // shown again, and so asked for again
        return;
    }
    cache_.insert(num, new QImage(image), std::max<qsizetype>(1, image.sizeInBytes() / 1024));
    emit ready(num);
}
