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

// Records a system error as the cause and returns `code`.
int Fail(IniFileCause& cause, int code, int err) {
    cause = {IniFileCause::kSystem, err, {}};
    return code;
}

// The target's directory with its trailing slash, or "" for a bare name.
std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

struct Target {
    bool exists = false;
    mode_t mode = 0;  // of an existing target
    std::string dir;  // DirectoryOf the path
};

// An existing target must be a regular file that opens for reading and
// writing. A missing one is not probed under its own name: creating the
// temporary file decides whether the directory takes it.
int ProbeTarget(FileCalls& fs, const std::string& path, Target* target, IniFileCause& cause) {
    if (path.empty()) return Fail(cause, INI_NOT_WRITABLE, ENOENT);
    target->dir = DirectoryOf(path);
    struct stat st {};
    if (fs.Stat(path, &st) != 0) {
        if (errno != ENOENT) return Fail(cause, INI_NOT_WRITABLE, errno);
        target->exists = false;
        return INI_OK;
    }
    if (!S_ISREG(st.st_mode)) {
        cause.kind = IniFileCause::kNotRegular;
        return INI_NOT_WRITABLE;
    }
    const int fd = fs.Open(path, O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0);
    if (fd < 0) return Fail(cause, INI_NOT_WRITABLE, errno);
    fs.Close(fd);
    target->mode = st.st_mode & 07777;
    target->exists = true;
    return INI_OK;
}

// Every temporary name in `dir` is in use: the cause names the folder.
int NoTempName(IniFileCause& cause, const std::string& dir) {
    cause = {IniFileCause::kNoTempName, 0, dir.empty() ? std::string(".") : dir};
    if (cause.folder.size() > 1 && cause.folder.back() == '/') cause.folder.pop_back();
    return INI_TOO_MANY_TEMP_FILES;
}

// Creates the first free "ini$$N.CVI" (N = 0..999) in `dir`. For a missing
// target this is also the writability probe, so any refusal other than a
// name in use means the target is not writable.
int CreateTempFile(FileCalls& fs, const std::string& dir, bool targetExists, std::string* name,
                   int* fdOut, IniFileCause& cause) {
    int accessRefusals = 0;
    for (int n = 0; n <= 999; ++n) {
        std::string candidate = dir + "ini$$" + std::to_string(n) + ".CVI";
        int fd;
        do {
            fd = fs.Open(candidate, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd >= 0) {
            *name = std::move(candidate);
            *fdOut = fd;
            return INI_OK;
        }
        const int err = errno;
        if (err == EEXIST) continue;
        if (err == EACCES || err == EPERM) {
            if (++accessRefusals >= 100) return Fail(cause, INI_NOT_WRITABLE, err);
            continue;
        }
        return Fail(cause, targetExists ? INI_CANNOT_CREATE_TEMP : INI_NOT_WRITABLE, err);
    }
    return NoTempName(cause, dir);
}

int WriteAll(FileCalls& fs, int fd, std::string_view text, IniFileCause& cause) {
    while (!text.empty()) {
        const size_t chunk = std::min(text.size(), kWriteBufferSize);
        const ssize_t n = fs.Write(fd, text.data(), chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            return Fail(cause, WriteErrorCode(errno), errno);
        }
        if (n == 0) return Fail(cause, INI_IO_ERROR, EIO);
        text.remove_prefix(static_cast<size_t>(n));
    }
    return INI_OK;
}

// Makes the rename itself durable; best effort, the new file is already
// complete and in place.
void SyncDirectory(FileCalls& fs, const std::string& dir) {
    const int fd = fs.Open(dir.empty() ? "." : dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0) return;
    fs.Fsync(fd);
    fs.Close(fd);
}

}  // namespace

int FileCalls::Stat(const std::string& path, struct stat* st) {
    return ::stat(path.c_str(), st);
}
int FileCalls::Open(const std::string& path, int flags, mode_t mode) {
    return ::open(path.c_str(), flags, mode);
}
ssize_t FileCalls::Write(int fd, const char* data, size_t size) {
    return ::write(fd, data, size);
}
int FileCalls::Fchmod(int fd, mode_t mode) {
    return ::fchmod(fd, mode);
}
int FileCalls::Fsync(int fd) {
    return ::fsync(fd);
}
int FileCalls::Close(int fd) {
    return ::close(fd);
}
int FileCalls::Rename(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str());
}
int FileCalls::Unlink(const std::string& path) {
    return ::unlink(path.c_str());
}

FileCalls& SystemFileCalls() {
    static FileCalls calls;  // stateless
    return calls;
}

int CheckWritable(const std::string& path, IniFileCause* causeOut, FileCalls& fs) {
    IniFileCause unused;
    IniFileCause& cause = ResetCause(causeOut, unused);
    Target target;
    if (const int r = ProbeTarget(fs, path, &target, cause); r != INI_OK) return r;
    const std::string& dir = target.dir;
    // The directory must take the temporary file: an unnamed file shows it
    // without leaving anything behind, even if this process dies here.
    const std::string folder = dir.empty() ? std::string(".") : dir;
    const int fd = fs.Open(folder, O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0) {
        fs.Close(fd);
    } else if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) {
        // A file system without unnamed files: ask for the permission instead.
        if (::access(folder.c_str(), W_OK | X_OK) != 0) return Fail(cause, INI_NOT_WRITABLE, errno);
    } else {
        return Fail(cause, INI_NOT_WRITABLE, errno);
    }
    struct stat st {};
    for (int n = 0; n <= 999; ++n)
        if (fs.Stat(dir + "ini$$" + std::to_string(n) + ".CVI", &st) != 0 && errno == ENOENT)
            return INI_OK;
    return NoTempName(cause, dir);
}

// Writes `text` to `path` so that the target is at every moment either the
// old file or the complete new one; a missing target stays missing until the
// complete new file is renamed to its name.
int ReplaceFile(const std::string& path, std::string_view text, IniFileCause* causeOut,
                FileCalls& fs) {
    IniFileCause unused;
    IniFileCause& cause = ResetCause(causeOut, unused);
    Target target;
    if (const int r = ProbeTarget(fs, path, &target, cause); r != INI_OK) return r;
    const std::string& dir = target.dir;

    std::string tempName;
    int fd = -1;
    if (const int r = CreateTempFile(fs, dir, target.exists, &tempName, &fd, cause); r != INI_OK)
        return r;

    // A replaced file keeps its permissions.
    if (target.exists) (void)fs.Fchmod(fd, target.mode);
    int result = WriteAll(fs, fd, text, cause);
    if (result == INI_OK && fs.Fsync(fd) != 0) result = Fail(cause, WriteErrorCode(errno), errno);
    if (fs.Close(fd) != 0 && result == INI_OK) result = Fail(cause, WriteErrorCode(errno), errno);
    if (result == INI_OK && fs.Rename(tempName, path) != 0)
        result = Fail(cause, INI_IO_ERROR, errno);
    if (result != INI_OK) {
        fs.Unlink(tempName);
        return result;
    }
    SyncDirectory(fs, dir);
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

int Ini_CheckWritable(const std::string& path, IniFileCause* cause) {
    try {
        return CheckWritable(path, cause);
    } catch (const std::bad_alloc&) {
        return INI_OUT_OF_MEMORY;
    }
}

int Ini_WriteToFile(IniDocument* doc, const std::string& path, IniFileCause* cause) {
    if (cause) *cause = IniFileCause{};
    if (!doc) return INI_NULL_ARGUMENT;
    try {
        return ReplaceFile(path, Ini_Format(doc), cause);
    } catch (const std::bad_alloc&) {
        return INI_OUT_OF_MEMORY;
    }
}

}  // namespace lq
