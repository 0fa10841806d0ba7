// Writing: the text of a document and the safe replacement of the target
// file through a temporary file in the same directory.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <new>

#include "data/ini.h"
#include "data/ini_detail.h"

namespace lq {
namespace ini_detail {
namespace {

void AppendValue(std::string& out, std::string_view value, bool quoted) {
    if (quoted) out += '"';
    out.append(value);
    if (quoted) out += '"';
}

void AppendItem(std::string& out, const IniItem& item, size_t maxLine) {
    const std::string_view tag(item.tag);
    const std::string_view value(item.value);
    if (maxLine == 0 || value.size() <= maxLine) {
        out.append(tag.substr(0, kMaxNameLength));
        out += " = ";
        AppendValue(out, value, item.quoted);
        out += "\r\n";
        return;
    }
    // Pieces cut by bytes; an escape sequence may straddle two pieces,
    // reading joins them before decoding.
    const std::string_view base = tag.substr(0, kMaxContinuationTag);
    size_t k = 1;
    for (size_t at = 0; at < value.size(); at += maxLine, ++k) {
        char number[32];
        std::snprintf(number, sizeof number, " Line%04zu", k);
        out.append(base);
        out += number;
        out += " = ";
        AppendValue(out, value.substr(at, maxLine), item.quoted);
        out += "\r\n";
    }
}

// Maps the errno of a failed write, flush or close onto a result code.
int WriteErrorCode(int err) {
    switch (err) {
        case ENOSPC:
        case EDQUOT:
            return INI_DISK_FULL;
        case EACCES:
        case EPERM:
        case EROFS:
            return INI_NOT_WRITABLE;
        default:
            return INI_IO_ERROR;
    }
}

// An existing target must be a regular file that opens for reading and
// writing; a missing one must be creatable (the probe file goes at once).
bool TargetWritable(const std::string& path, mode_t* mode, bool* exists) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return false;
        const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) return false;
        ::close(fd);
        *mode = st.st_mode & 07777;
        *exists = true;
        return true;
    }
    if (errno != ENOENT) return false;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(path.c_str());
    *exists = false;
    return true;
}

// The target's directory with its trailing slash, or "" for a bare name.
std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Creates the first free "ini$$N.CVI" (N = 0..999) in `dir`.
int CreateTempFile(const std::string& dir, std::string* name, int* fdOut) {
    int accessRefusals = 0;
    for (int n = 0; n <= 999; ++n) {
        std::string candidate = dir + "ini$$" + std::to_string(n) + ".CVI";
        int fd;
        do {
            fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd >= 0) {
            *name = std::move(candidate);
            *fdOut = fd;
            return INI_OK;
        }
        if (errno == EEXIST) continue;
        if (errno == EACCES || errno == EPERM) {
            if (++accessRefusals >= 100) return INI_NOT_WRITABLE;
            continue;
        }
        return INI_CANNOT_CREATE_TEMP;
    }
    return INI_TOO_MANY_TEMP_FILES;
}

int WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const size_t chunk = std::min(text.size(), kWriteBufferSize);
        const ssize_t n = ::write(fd, text.data(), chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            return WriteErrorCode(errno);
        }
        if (n == 0) return INI_IO_ERROR;
        text.remove_prefix(static_cast<size_t>(n));
    }
    return INI_OK;
}

// Makes the rename itself durable; best effort, the new file is already
// complete and in place.
void SyncDirectory(const std::string& dir) {
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

// Writes `text` to `path` so that the target is at every moment either the
// old file or the complete new one.
int ReplaceFile(const std::string& path, std::string_view text) {
    mode_t mode = 0;
    bool exists = false;
    if (!TargetWritable(path, &mode, &exists)) return INI_NOT_WRITABLE;

    const std::string dir = DirectoryOf(path);
    std::string tempName;
    int fd = -1;
    if (const int r = CreateTempFile(dir, &tempName, &fd); r != INI_OK) return r;

    // A replaced file keeps its permissions.
    if (exists) (void)::fchmod(fd, mode);
    int result = WriteAll(fd, text);
    if (result == INI_OK && ::fsync(fd) != 0) result = WriteErrorCode(errno);
    if (::close(fd) != 0 && result == INI_OK) result = WriteErrorCode(errno);
    if (result == INI_OK && ::rename(tempName.c_str(), path.c_str()) != 0) result = INI_IO_ERROR;
    if (result != INI_OK) {
        ::unlink(tempName.c_str());
        return result;
    }
    SyncDirectory(dir);
    return INI_OK;
}

}  // namespace ini_detail

using namespace ini_detail;

std::string Ini_Format(const IniDocument* doc) {
    std::string out;
    if (!doc) return out;
    const size_t maxLine =
        doc->maxValueLineLength <= 0
            ? 0
            : static_cast<size_t>(std::min(doc->maxValueLineLength, kMaxValueLineLimit));
    for (const IniSection& section : doc->sections) {
        out += '[';
        out += section.name;
        out += "]\r\n";
        for (const IniItem& item : section.items) AppendItem(out, item, maxLine);
        out += "\r\n";
    }
    return out;
}

int Ini_WriteToFile(IniDocument* doc, const std::string& path) {
    if (!doc) return INI_NULL_ARGUMENT;
    try {
        return ReplaceFile(path, Ini_Format(doc));
    } catch (const std::bad_alloc&) {
        return INI_OUT_OF_MEMORY;
    }
}

}  // namespace lq
