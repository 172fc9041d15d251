#include "platform/file_system.h"

#include <cstring>

#include "platform/posix_io.h"

std::string fileErrorText(int error) {
    switch (error) {
        case posix::kIsLink:
            return "it is a link";
        case posix::kNotRegular:
            return "it is not a regular file";
        case posix::kOtherLinks:
            return "other names link to it";
        default:
            return std::strerror(error);
    }
}
