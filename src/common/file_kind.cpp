#include "common/file_kind.hpp"

#include <sys/stat.h>

FileKind file_kind(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return FileKind::MISSING;
    }
    if (S_ISREG(st.st_mode)) {
        return FileKind::REGULAR;
    }
    if (S_ISDIR(st.st_mode)) {
        return FileKind::DIRECTORY;
    }
    if (S_ISFIFO(st.st_mode)) {
        return FileKind::PIPE;
    }
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) {
        return FileKind::DEVICE;
    }
    if (S_ISSOCK(st.st_mode)) {
        return FileKind::SOCKET;
    }
    return FileKind::OTHER;
}

std::string special_file_problem(const std::string& path) {
    switch (file_kind(path)) {
        case FileKind::MISSING:
        case FileKind::REGULAR:
            return {};
        case FileKind::DIRECTORY:
            return path + " is not a regular file: it is a folder";
        case FileKind::PIPE:
            return path + " is not a regular file: it is a named pipe";
        case FileKind::DEVICE:
            return path + " is not a regular file: it is a device";
        case FileKind::SOCKET:
            return path + " is not a regular file: it is a socket";
        case FileKind::OTHER:
            break;
    }
    return path + " is not a regular file";
}
