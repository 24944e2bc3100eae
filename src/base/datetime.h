#pragma once
// Date and time stamps in the short local forms the database stores ("11.12.2026",
// "18:01:06").

#include <ctime>
#include <string>

namespace gvm {

struct DateTimeText {
    std::string datum;  // dd.mm.yyyy
    std::string zeit;   // hh:mm:ss
};

// The local time now.
std::tm LocalNow();

DateTimeText ShortDateTime(const std::tm& t);

}  // namespace gvm
