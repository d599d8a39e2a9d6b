#include "port_naming.h"

#include <cstdio>

namespace quillsan::platform {

bool LinuxDevicePathForCom(std::uint32_t comNumber, char* path, std::size_t size) {
    struct Family {
        std::uint32_t firstCom;
        const char* prefix;
    };
    static const Family kFamilies[] = {
        {300, "/dev/pts/"}, {200, "/dev/ttyACM"}, {100, "/dev/ttyUSB"}, {1, "/dev/ttyS"}};
    for (const Family& family : kFamilies) {
        if (comNumber >= family.firstCom) {
            std::snprintf(path, size, "%s%u", family.prefix, comNumber - family.firstCom);
            return true;
        }
    }
    if (size > 0) path[0] = '\0';
    return false;
}

}  // namespace quillsan::platform
