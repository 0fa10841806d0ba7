// Building blocks of the INI store, shared by its source files and open to
// tests: byte classes, name matching, value escaping and decoding, the
// integer parser and the line splitter.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <string_view>

#include "data/ini.h"

namespace lq::ini_detail {

inline constexpr size_t kMaxNameLength = 255;          // written tags are cut to this
inline constexpr size_t kMaxContinuationTag = 246;     // room for " Line0001"
inline constexpr size_t kMaxLineLength = 1024;         // characters a read line keeps
inline constexpr size_t kReadBlockSize = 2048;         // bytes read from a file at once
inline constexpr size_t kWriteBufferSize = 16 * 1024;  // bytes written at once
inline constexpr int kMaxValueLineLimit = 1024;        // upper bound of maxValueLineLength

// White space as the C library's isspace sees it in the "C" locale; bytes of
// 0x80 and above are never blanks, so Windows-1252 text stays intact.
inline bool IsBlank(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
inline bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

std::string_view TrimLeft(std::string_view s);
std::string_view TrimRight(std::string_view s);
std::string_view Trim(std::string_view s);

// Section names and tags match regardless of the case of A..Z and of
// leading and trailing white space.
bool NamesMatch(std::string_view a, std::string_view b);
// The same with `key` already trimmed (the form used in loops).
bool MatchesKey(std::string_view stored, std::string_view key);

// First section whose name matches; tries the last found section first.
IniSection* FindSection(IniDocument* doc, std::string_view name);
// First item of that section whose tag matches.
const IniItem* FindItem(IniDocument* doc, std::string_view section, std::string_view tag);

// The stored form of a string value (backslash escapes, control bytes as \xhh).
std::string EscapeValue(std::string_view text);
// Decodes a stored value into out[0..capacity-1] and returns the number of
// bytes produced (never more than capacity). No terminator is added.
size_t DecodeValue(std::string_view stored, char* out, size_t capacity);
std::string DecodeValue(std::string_view stored);

enum class IntParse { kBlank, kValid, kInvalid };
// Strict decimal parse of a stored value: blanks, one sign directly before
// the digits, digits, blanks, and a value within the range of int32_t.
IntParse StrToInt(std::string_view s, int32_t* value);

// Splits a file into lines: 2048-byte blocks; CR, LF and NUL end a line and
// a two-character line end (CR LF, LF CR, ...) counts once; a line keeps at
// most 1024 characters. More than `maxBytes` bytes in all is a read error,
// so a file that grows while it is read cannot take unbounded time.
class LineFile {
  public:
    explicit LineFile(std::FILE* file, size_t maxBytes = std::numeric_limits<size_t>::max())
        : file_(file), maxBytes_(maxBytes) {}
    LineFile(const LineFile&) = delete;
    LineFile& operator=(const LineFile&) = delete;

    // 1: `line` holds the next line; 0: end of file; INI_READ_ERROR.
    int ReadLine(std::string& line);
    // After INI_READ_ERROR: the byte limit was passed (else `Errno()` says why).
    bool TooLarge() const { return tooLarge_; }
    int Errno() const { return errno_; }

  private:
    bool Fill();

    std::FILE* file_;
    size_t maxBytes_;
    size_t total_ = 0;
    char block_[kReadBlockSize];
    size_t pos_ = 0;
    size_t len_ = 0;
    char previousEnd_ = '\0';  // the byte that ended the previous line
    bool error_ = false;
    bool tooLarge_ = false;
    int errno_ = 0;
};

// Parses lines of INI text into a document; the caller finishes with Finish().
class IniParser {
  public:
    explicit IniParser(IniDocument* doc);
    // `lineNumber` is recorded in the section or item the line makes.
    void ParseLine(std::string_view line, int lineNumber = 0);
    // Joins the continuation lines of the sections this parser added.
    void Finish();

  private:
    IniDocument* doc_;
    size_t firstNewSection_;
    static constexpr size_t kNone = static_cast<size_t>(-1);
    size_t current_ = kNone;  // index: the section list may grow
    std::string pendingComment_;
};

// The continuation number of a tag ending in " Line" + digits: 1 for the
// first piece, 2 for any other number, 0 when the tag is not a continuation.
// `baseLength` receives the length of the tag before " Line".
int ContinuationNumber(std::string_view tag, size_t* baseLength);

// The cause a caller asked for, or `local` when it passed none; cleared.
inline IniFileCause& ResetCause(IniFileCause* given, IniFileCause& local) {
    IniFileCause& cause = given ? *given : local;
    cause = IniFileCause{};
    return cause;
}

// Ini_ReadFromFile with another byte limit.
int ReadFile(IniDocument* doc, const std::string& path, size_t maxBytes, IniFileCause* cause);

// The file-system calls of the write path, one virtual each, so that a test
// can watch the target between any two of them or stop the write there. The
// base class makes the system calls.
class FileCalls {
  public:
    virtual ~FileCalls() = default;
    virtual int Stat(const std::string& path, struct stat* st);
    virtual int Open(const std::string& path, int flags, mode_t mode);
    virtual ssize_t Write(int fd, const char* data, size_t size);
    virtual int Fchmod(int fd, mode_t mode);
    virtual int Fsync(int fd);
    virtual int Close(int fd);
    virtual int Rename(const std::string& from, const std::string& to);
    virtual int Unlink(const std::string& path);
};
FileCalls& SystemFileCalls();

// Ini_CheckWritable through `calls`.
int CheckWritable(const std::string& path, IniFileCause* cause,
                  FileCalls& calls = SystemFileCalls());

// Replaces the file at `path` by `text`: an existing target is probed, a
// missing one is never created under its own name; the temporary file in the
// same directory is written, synced and renamed over the target, then the
// directory is synced.
int ReplaceFile(const std::string& path, std::string_view text, IniFileCause* cause = nullptr,
                FileCalls& calls = SystemFileCalls());

}  // namespace lq::ini_detail
