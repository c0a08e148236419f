#include "autotune/RunStation.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace RunStation {

std::string LoginName() {
    if (const passwd* pw = ::getpwuid(::geteuid()); pw != nullptr && pw->pw_name != nullptr)
        return pw->pw_name;
    for (const char* name : {"LOGNAME", "USER"})
        if (const char* v = std::getenv(name); v != nullptr && *v != '\0')
            return v;
    return {};
}

std::string HostName() {
    char buf[256] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0)
        return {};
    return buf;
}

CAlignmentReport::Station Make(const std::string& shop, const std::string& technician,
                               const std::string& testSet) {
    CAlignmentReport::Station s;
    s.shop = shop;
    s.technician = technician.empty() ? LoginName() : technician;
    s.bench = HostName();
    s.testSet = testSet;
    return s;
}

}  // namespace RunStation
