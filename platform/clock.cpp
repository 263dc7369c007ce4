#include "clock.h"

#include <ctime>

namespace w98 {

DateTime SystemClock::now() const {
    return localDateTime(std::time(nullptr));
}

} // namespace w98
