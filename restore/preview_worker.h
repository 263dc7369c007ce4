#pragma once
// Makes restore-point previews on a thread of its own, so that the window never waits for one.
// A new request abandons the one before it: an abandoned preview stops at its next step and
// is never delivered.
#include "point_preview.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace korvane {

class PreviewWorker {
  public:
    // Runs on the worker's thread, with the ticket of the request the lines answer.
    using Delivery = std::function<void(std::uint64_t ticket, std::vector<std::string> lines)>;

    // Runs on the worker's thread as it takes up a request, before the preview is made: a test
    // holds the worker there to order what happens meanwhile.
    using Taking = std::function<void(const RestorePoint& point)>;

    PreviewWorker(std::unique_ptr<PointPreview> preview, Delivery deliver, Taking taking = {});
    // Abandons the request in hand and waits for the thread.
    ~PreviewWorker();
    PreviewWorker(const PreviewWorker&) = delete;
    PreviewWorker& operator=(const PreviewWorker&) = delete;

    // The ticket its lines will come with.
    std::uint64_t request(const RestorePoint& point);
    // Stops the request in hand at its next step and delivers nothing for it.
    void abandon();
    // True while no later request was made.
    bool isLatest(std::uint64_t ticket) const { return ticket == latest_.load(); }

  private:
    void run();

    std::unique_ptr<PointPreview> preview_;
    Delivery deliver_;
    Taking taking_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<RestorePoint> pending_;
    std::atomic<std::uint64_t> latest_{0};
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace korvane
