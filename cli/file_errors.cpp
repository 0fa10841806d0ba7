#include "cli/file_errors.h"

#include <cerrno>
#include <cstring>

namespace lq::cli {

std::string ErrnoText(int err) {
    switch (err) {
        case ENOSPC:
        case EDQUOT:
            return "disk full";
        case EACCES:
        case EPERM:
            return "permission denied";
        case EROFS:
            return "read-only file system";
        case ENOENT:
            return "no such file or folder";
        case ENOTDIR:
            return "a part of the path is not a folder";
        case EISDIR:
            return "is a folder";
        case ENAMETOOLONG:
            return "name too long";
        case EPIPE:
            return "the reader has gone";
        case EIO:
            return "input/output error";
        case 0:
            return "unknown cause";
        default: {
            std::string text = std::strerror(err);
            if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') text[0] += 'a' - 'A';
            return text;
        }
    }
}

std::string FileErrorText(int result, const IniFileCause& cause) {
    switch (cause.kind) {
        case IniFileCause::kSystem:
            return ErrnoText(cause.error);
        case IniFileCause::kNotRegular:
            return "not a regular file";
        case IniFileCause::kTooLarge:
            return "too large (a parameter file has at most 1 MiB)";
        case IniFileCause::kNoTempName:
            return "1000 temporary files in use in " + cause.folder +
                   " \u2014 remove the ini$$*.CVI files there";
        case IniFileCause::kNone:
            break;
    }
    if (result == INI_OUT_OF_MEMORY) return "out of memory";
    return "error " + std::to_string(result);
}

}  // namespace lq::cli
