#include "base/datetime.h"

namespace gvm {

std::tm LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    return t;
}

DateTimeText ShortDateTime(const std::tm& t) {
    char datum[32], zeit[32];
    std::strftime(datum, sizeof datum, "%d.%m.%Y", &t);
    std::strftime(zeit, sizeof zeit, "%H:%M:%S", &t);
    return {datum, zeit};
}

}  // namespace gvm
