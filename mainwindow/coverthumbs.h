#pragma once

#include "store/covers.h"
#include "store/thumbnailcache.h"

#include <QCache>
#include <QImage>
#include <QObject>
#include <QThreadPool>

#include <cstdint>
#include <deque>
#include <mutex>
#include <unordered_set>

// The wall's thumbnails, made on other threads as they are asked for and kept in a cache of
// bounded memory. The latest requests are made first (what is on screen now); requests that pile
// up behind a fast scroll are dropped and asked for again when shown.
class CoverThumbs : public QObject {
    Q_OBJECT

public:
    static constexpr int kMemoryMb = 96;
    CoverThumbs(store::Covers& covers, store::ThumbnailCache cache, QObject* parent = nullptr);
    ~CoverThumbs() override;

    // The thumbnail when made; else a null image, and ready() follows once it is.
    QImage thumbnail(std::int32_t num);

signals:
    void ready(std::int32_t num);

private:
    struct Request {
        std::int32_t num;
        std::uint64_t generation;
        std::string path;               // a saved cover's file
        store::Covers::Picture waiting; // or a change not saved yet
    };
    void make();
    void made(std::int32_t num, std::uint64_t generation, const QImage& image);

    store::Covers& covers_;
    const store::ThumbnailCache disk_;
    QCache<std::int32_t, QImage> cache_; // a null image: no cover
    std::mutex mutex_;
    std::deque<Request> queue_;              // newest at the back
    std::unordered_set<std::int32_t> asked_; // queued or being made
    bool closing_ = false;
    std::uint64_t generation_ = 0; // of the covers, one more at every change
    QThreadPool pool_;
};
