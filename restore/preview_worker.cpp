#include "preview_worker.h"

namespace korvane {

PreviewWorker::PreviewWorker(std::unique_ptr<PointPreview> preview, Delivery deliver, Taking taking)
    : preview_(std::move(preview)), deliver_(std::move(deliver)), taking_(std::move(taking)),
      thread_([this] { run(); }) {}

PreviewWorker::~PreviewWorker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        ++latest_;
    }
    wake_.notify_one();
    thread_.join();
}

std::uint64_t PreviewWorker::request(const RestorePoint& point) {
    std::uint64_t ticket;
    {
        std::lock_guard lock(mutex_);
        pending_ = point;
        ticket = ++latest_;
    }
    wake_.notify_one();
    return ticket;
}

void PreviewWorker::abandon() {
    std::lock_guard lock(mutex_);
    pending_.reset();
    ++latest_;
}

void PreviewWorker::run() {
    for (;;) {
        RestorePoint point;
        std::uint64_t ticket;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || pending_; });
            if (stopping_)
                return;
            point = std::move(*pending_);
            pending_.reset();
            ticket = latest_;
        }
        if (taking_)
            taking_(point);
        std::optional<std::vector<std::string>> lines;
        try {
            lines = preview_->lines(point, [this, ticket] { return latest_ != ticket; });
        } catch (const std::exception& e) {
            lines = std::vector<std::string>{"无法与现在的系统比较：" + std::string(e.what())};
        }
        if (lines && isLatest(ticket))
            deliver_(ticket, std::move(*lines));
    }
}

} // namespace korvane
