// Reading: the line splitter, the line parser, continuation joining and
// Ini_ReadFromFile.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>

#include "data/ini.h"
#include "data/ini_detail.h"

namespace lq {
namespace ini_detail {

namespace {
bool IsLineEnd(char c) {
    return c == '\r' || c == '\n' || c == '\0';
}
}  // namespace

bool LineFile::Fill() {
    if (error_) return false;
    pos_ = 0;
    errno = 0;
    len_ = std::fread(block_, 1, sizeof block_, file_);
    if (len_ == 0 && std::ferror(file_)) {
        error_ = true;
        errno_ = errno;
    }
    total_ += len_;
    if (total_ > maxBytes_) {
        error_ = tooLarge_ = true;
        len_ = 0;
    }
    return len_ > 0;
}

int LineFile::ReadLine(std::string& line) {
    line.clear();
    bool first = true;     // the next byte is the first one examined for this line
    bool started = false;  // a byte of this line (or its end) has been taken
    for (;;) {
        if (pos_ == len_ && !Fill()) {
            if (error_) return INI_READ_ERROR;
            return started ? 1 : 0;
        }
        if (first) {
            first = false;
            const char c = block_[pos_];
            // The second half of a two-character line end (CR LF, LF CR).
            if (IsLineEnd(c) && c != previousEnd_) {
                ++pos_;
                continue;
            }
        }
        started = true;
        // Take the run of ordinary bytes up to the next line end in this
        // block at once; bytes beyond the line limit are dropped.
        size_t end = pos_;
        while (end < len_ && !IsLineEnd(block_[end])) ++end;
        if (line.size() < kMaxLineLength)
            line.append(block_ + pos_, std::min(end - pos_, kMaxLineLength - line.size()));
        pos_ = end;
        if (end < len_) {
            previousEnd_ = block_[pos_++];
            return 1;
        }
    }
}

int ContinuationNumber(std::string_view tag, size_t* baseLength) {
    static constexpr std::string_view kMarker = " Line";
    const size_t at = tag.rfind(kMarker);
    if (at == std::string_view::npos) return 0;
    std::string_view digits = tag.substr(at + kMarker.size());
    if (digits.empty()) return 0;
    for (char c : digits) {
        if (!IsDigit(static_cast<unsigned char>(c))) return 0;
    }
    if (baseLength) *baseLength = at;
    while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
    return digits == "1" ? 1 : 2;
}

IniParser::IniParser(IniDocument* doc) : doc_(doc), firstNewSection_(doc->sections.size()) {}

void IniParser::ParseLine(std::string_view line, int lineNumber) {
    const std::string_view s = TrimLeft(line);
    if (s.empty()) return;

    if (s.front() == ';') {
        if (!pendingComment_.empty()) pendingComment_ += '\n';
        pendingComment_.append(s);
        return;
    }

    if (s.front() == '[') {
        const size_t close = s.rfind(']');
        if (close == std::string_view::npos) return;
        if (!TrimLeft(s.substr(close + 1)).empty()) return;
        const std::string_view name = Trim(s.substr(1, close - 1));
        if (name.empty()) return;
        doc_->sections.push_back(
            IniSection{std::string(name), {}, std::move(pendingComment_), lineNumber});
        pendingComment_.clear();
        current_ = doc_->sections.size() - 1;
        return;
    }

    const size_t eq = s.find('=');
    if (eq == std::string_view::npos) return;
    const std::string_view tag = TrimRight(s.substr(0, eq));
    std::string_view value = Trim(s.substr(eq + 1));
    if (tag.empty() || value.empty()) return;
    if (current_ == kNone) return;  // items before the first section are dropped
    bool quoted = false;
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
        quoted = true;
    }
    doc_->sections[current_].items.push_back(IniItem{std::string(tag), std::string(value), quoted,
                                                     std::move(pendingComment_), lineNumber});
    pendingComment_.clear();
}

void IniParser::Finish() {
    for (size_t si = firstNewSection_; si < doc_->sections.size(); ++si) {
        auto& items = doc_->sections[si].items;
        size_t out = 0;
        size_t i = 0;
        while (i < items.size()) {
            size_t base = 0;
            if (ContinuationNumber(items[i].tag, &base) == 1) {
                // A run: this first piece and every following piece numbered
                // other than 1 become one item under the base tag.
                IniItem joined = std::move(items[i]);
                joined.tag.resize(TrimRight(std::string_view(joined.tag).substr(0, base)).size());
                size_t j = i + 1;
                while (j < items.size() && ContinuationNumber(items[j].tag, nullptr) == 2) {
                    joined.value += items[j].value;
                    ++j;
                }
                items[out++] = std::move(joined);
                i = j;
            } else {
                if (out != i) items[out] = std::move(items[i]);
                ++out;
                ++i;
            }
        }
        items.resize(out);
    }
}

namespace {

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// What a file's type and size say about reading it: INI_OK, or the read
// error with its cause.
int CheckReadable(const struct stat& st, size_t maxBytes, IniFileCause& cause) {
    if (!S_ISREG(st.st_mode)) {
        cause.kind = IniFileCause::kNotRegular;
        return INI_READ_ERROR;
    }
    if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
        cause.kind = IniFileCause::kTooLarge;
        return INI_READ_ERROR;
    }
    return INI_OK;
}

// Opens a regular file of bounded size. The type is looked at before the
// open, so that a FIFO or a device is never opened (no wait for a writer, no
// side effect of a device open), and again on the open descriptor, in case
// the name was replaced in between.
int OpenForReading(const std::string& path, size_t maxBytes, FilePtr& file, IniFileCause& cause) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        cause = {IniFileCause::kSystem, errno, {}};
        return INI_CANNOT_OPEN;
    }
    if (const int r = CheckReadable(st, maxBytes, cause); r != INI_OK) return r;
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        cause = {IniFileCause::kSystem, errno, {}};
        return INI_CANNOT_OPEN;
    }
    if (::fstat(fd, &st) != 0) {
        cause = {IniFileCause::kSystem, errno, {}};
        ::close(fd);
        return INI_READ_ERROR;
    }
    if (const int r = CheckReadable(st, maxBytes, cause); r != INI_OK) {
        ::close(fd);
        return r;
    }
    file.reset(::fdopen(fd, "rb"));
    if (!file) {
        cause = {IniFileCause::kSystem, errno, {}};
        ::close(fd);
        return INI_OUT_OF_MEMORY;
    }
    return INI_OK;
}

// Every line of `file` into the document, at most `maxBytes` bytes; what
// was read before a failure stays in it, joined.
int ReadLines(IniDocument* doc, std::FILE* file, size_t maxBytes, IniFileCause& why) {
    IniParser parser(doc);
    int result = INI_OK;
    try {
        LineFile lines(file, maxBytes);
        std::string line;
        line.reserve(kMaxLineLength);
        int r;
        int number = 0;
        while ((r = lines.ReadLine(line)) == 1) parser.ParseLine(line, ++number);
        result = r;
        if (r == INI_READ_ERROR) {
            if (lines.TooLarge())
                why.kind = IniFileCause::kTooLarge;
            else
                why = {IniFileCause::kSystem, lines.Errno(), {}};
        }
    } catch (const std::bad_alloc&) {
        result = INI_OUT_OF_MEMORY;
    }
    try {
        parser.Finish();
    } catch (const std::bad_alloc&) {
        result = INI_OUT_OF_MEMORY;
    }
    return result;
}

}  // namespace

int ReadFile(IniDocument* doc, const std::string& path, size_t maxBytes, IniFileCause* cause) {
    IniFileCause unused;
    IniFileCause& why = ResetCause(cause, unused);
    if (!doc) return INI_NULL_ARGUMENT;
    FilePtr file(nullptr, &std::fclose);
    if (const int r = OpenForReading(path, maxBytes, file, why); r != INI_OK) return r;
    return ReadLines(doc, file.get(), maxBytes, why);
}

}  // namespace ini_detail

using namespace ini_detail;

int Ini_ReadFromFile(IniDocument* doc, const std::string& path, IniFileCause* cause) {
    return ReadFile(doc, path, static_cast<size_t>(kMaxIniFileSize), cause);
}

int Ini_ReadFromText(IniDocument* doc, std::string_view text, IniFileCause* cause) {
    IniFileCause unused;
    IniFileCause& why = ResetCause(cause, unused);
    if (!doc) return INI_NULL_ARGUMENT;
    if (text.size() > static_cast<size_t>(kMaxIniFileSize)) {
        why.kind = IniFileCause::kTooLarge;
        return INI_READ_ERROR;
    }
    if (text.empty()) return INI_OK;  // fmemopen refuses an empty buffer
    // The same line splitter as for files, over the bytes in memory.
    FilePtr file(fmemopen(const_cast<char*>(text.data()), text.size(), "rb"), &std::fclose);
    if (!file) return INI_OUT_OF_MEMORY;
    return ReadLines(doc, file.get(), text.size(), why);
}

}  // namespace lq
