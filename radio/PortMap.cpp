#include "PortMap.h"

#include <glob.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <fstream>

namespace {

/// Natural order: digit runs compare by value, so ttyS2 comes before ttyS10.
bool NaturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const bool da = std::isdigit(static_cast<unsigned char>(a[i])) != 0;
        const bool db = std::isdigit(static_cast<unsigned char>(b[j])) != 0;
        if (da && db) {
            std::size_t ei = i, ej = j;
            while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei]))) ++ei;
            while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej]))) ++ej;
            std::string na = a.substr(i, ei - i), nb = b.substr(j, ej - j);
            na.erase(0, std::min(na.find_first_not_of('0'), na.size()));
            nb.erase(0, std::min(nb.find_first_not_of('0'), nb.size()));
            if (na.size() != nb.size())
                return na.size() < nb.size();
            if (na != nb)
                return na < nb;
            i = ei;
            j = ej;
        } else {
            if (a[i] != b[j])
                return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return (a.size() - i) < (b.size() - j);
}

/// A built-in UART slot without hardware reports type 0; such ttyS devices are skipped.
bool IsUnpopulatedUart(const std::string& device) {
    const std::string name = device.substr(device.rfind('/') + 1);
    if (name.rfind("ttyS", 0) != 0)
        return false;
    std::ifstream type("/sys/class/tty/" + name + "/type");
    int value = -1;
    return (type >> value) && value == 0;
}

}  // namespace

CPortMap::CPortMap() : m_lister(&CPortMap::ListMachineSerialDevices) {}

void CPortMap::SetMapping(int comNumber, const std::string& device) {
    if (comNumber <= 0)
        return;
    if (device.empty()) {
        m_map.erase(comNumber);
    } else {
        m_map[comNumber] = device;
    }
}

std::vector<std::string> CPortMap::SerialDevices() const {
    std::vector<std::string> devices = m_lister ? m_lister() : std::vector<std::string>{};
    std::sort(devices.begin(), devices.end(), NaturalLess);
    return devices;
}

std::string CPortMap::DeviceForCom(int comNumber) const {
    if (comNumber <= 0)
        return {};
    const auto it = m_map.find(comNumber);
    if (it != m_map.end())
        return it->second;
    const std::vector<std::string> devices = SerialDevices();
    if (static_cast<std::size_t>(comNumber) <= devices.size())
        return devices[comNumber - 1];
    return {};
}

std::string CPortMap::Resolve(const std::string& portName) const {
    const int n = ComNumber(portName);
    return n > 0 ? DeviceForCom(n) : portName;
}

int CPortMap::ComNumber(const std::string& portName) {
    if (portName.size() < 4 || portName.size() > 10)
        return 0;
    for (int i = 0; i < 3; ++i) {
        if (std::toupper(static_cast<unsigned char>(portName[i])) != "COM"[i])
            return 0;
    }
    int n = 0;
    for (std::size_t i = 3; i < portName.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(portName[i])))
            return 0;
        n = n * 10 + (portName[i] - '0');
    }
    return n;
}

std::vector<std::string> CPortMap::ListMachineSerialDevices() {
    std::vector<std::string> devices;
    for (const char* pattern :
         {"/dev/ttyS*", "/dev/ttyUSB*", "/dev/ttyACM*", "/dev/ttyAMA*", "/dev/rfcomm*"}) {
        glob_t found{};
        if (::glob(pattern, 0, nullptr, &found) == 0) {
            for (std::size_t i = 0; i < found.gl_pathc; ++i) {
                const std::string path = found.gl_pathv[i];
                struct stat st {};
                if (::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode) &&
                    !IsUnpopulatedUart(path))
                    devices.push_back(path);
            }
        }
        ::globfree(&found);
    }
    std::sort(devices.begin(), devices.end(), NaturalLess);
    return devices;
}
