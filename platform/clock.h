#pragma once
// The machine's clock, a seam so that tests can fix "today".
#include "base/date_time.h"

namespace w98 {

class Clock {
  public:
    virtual ~Clock() = default;
    virtual DateTime now() const = 0;
};

class SystemClock final : public Clock {
  public:
    DateTime now() const override;
};

class FixedClock final : public Clock {
  public:
    explicit FixedClock(DateTime t) : t_(t) {}
    DateTime now() const override { return t_; }
    void set(DateTime t) { t_ = t; }

  private:
    DateTime t_;
};

} // namespace w98
