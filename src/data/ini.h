// The INI document store: an ordered list of named sections, each an ordered
// list of tagged values, read from and written to INI text files byte-exactly.
// Text is handled as bytes; no character conversion takes place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lq {

// Result codes.
enum IniResult : int {
    INI_OK = 0,
    INI_OUT_OF_MEMORY = -12,
    INI_NULL_ARGUMENT = -65,
    INI_IO_ERROR = -93,
    INI_NOT_WRITABLE = -95,
    INI_DISK_FULL = -97,
    INI_CANNOT_OPEN = -5001,
    INI_READ_ERROR = -5002,
    INI_TOO_MANY_TEMP_FILES = -5003,
    INI_CANNOT_CREATE_TEMP = -5004,
    INI_INVALID_INTEGER = -5021,
};

// Files larger than this are refused before they are parsed: the largest file
// the program writes has about 8 KB, so nothing genuine comes near it.
inline constexpr long long kMaxIniFileSize = 1 << 20;

// Why a file operation failed, so that a message can say it in words; the
// result code stays what callers act on.
struct IniFileCause {
    enum Kind {
        kNone,
        kSystem,      // `error` holds the errno
        kNotRegular,  // a folder, a device, a FIFO or a socket
        kTooLarge,    // more than kMaxIniFileSize bytes
        kNoTempName,  // every temporary name in `folder` is in use
    };
    Kind kind = kNone;
    int error = 0;
    std::string folder;
};

struct IniItem {
    std::string tag;      // trimmed
    std::string value;    // stored form: escaped, without enclosing quotes
    bool quoted = false;  // written inside double quotes
    std::string comment;  // comment lines that preceded it in a read file
    int line = 0;         // line of the file it was read from (0: not read)
};

struct IniSection {
    std::string name;  // trimmed
    std::vector<IniItem> items;
    std::string comment;
    int line = 0;  // line of the file it was read from (0: not read)
};

struct IniDocument {
    std::vector<IniSection> sections;
    bool sorted = false;
    int maxValueLineLength = 80;
    bool addQuotesToStrings = true;
    bool duplicateChecking = true;
    // Lookup shortcut: index of the section found last, or -1.
    mutable int lastFoundSection = -1;
};

struct IniDocumentDeleter {
    void operator()(IniDocument* d) const;
};
using IniHandle = std::unique_ptr<IniDocument, IniDocumentDeleter>;

// A new empty document (nullptr when memory is exhausted). Dispose of it with
// Ini_Dispose, or let the IniHandle do it.
IniDocument* Ini_New(int automaticSorting);
void Ini_Dispose(IniDocument* doc);
inline IniHandle Ini_NewHandle() {
    return IniHandle(Ini_New(0));
}

// Puts replace every item of the same tag (at the place of the first one) or
// append; the section is appended when missing. Names are trimmed. 0, or
// INI_OUT_OF_MEMORY, INI_NULL_ARGUMENT.
int Ini_PutInt(IniDocument* doc, const std::string& section, const std::string& tag, int32_t value);
int Ini_PutString(IniDocument* doc, const std::string& section, const std::string& tag,
                  const std::string& text);
// Replaces the file through "ini$$N.CVI" in its directory: written, synced and
// renamed over the target, so the target is always the old or the complete
// new file, and a missing target stays missing until it is complete. 0, or
// INI_NOT_WRITABLE, INI_DISK_FULL, INI_IO_ERROR, INI_TOO_MANY_TEMP_FILES,
// INI_CANNOT_CREATE_TEMP, INI_OUT_OF_MEMORY; `cause`, when given, says why.
int Ini_WriteToFile(IniDocument* doc, const std::string& path, IniFileCause* cause = nullptr);
// Whether Ini_WriteToFile could replace `path`, decided without writing
// anything: the target's probe, the directory taking a new file, and a free
// temporary name. INI_OK, or the code the write would give (INI_NOT_WRITABLE,
// INI_TOO_MANY_TEMP_FILES) with its cause. Lets a caller refuse before it
// starts work whose result it could not keep.
int Ini_CheckWritable(const std::string& path, IniFileCause* cause = nullptr);
// Adds the sections of the file to the document. 0, or INI_CANNOT_OPEN,
// INI_READ_ERROR (what was read before stays), INI_OUT_OF_MEMORY. Only a
// regular file of at most kMaxIniFileSize bytes is read; anything else is a
// read error at once, without waiting for a writer or a device.
int Ini_ReadFromFile(IniDocument* doc, const std::string& path, IniFileCause* cause = nullptr);
// The same for INI text held in memory (a parameter file's text that arrived
// over the network), with the same byte limit. 0, or INI_READ_ERROR (more
// than kMaxIniFileSize bytes: nothing is read), INI_OUT_OF_MEMORY.
int Ini_ReadFromText(IniDocument* doc, std::string_view text, IniFileCause* cause = nullptr);
// 1 found and valid; 0 missing, empty or blank (value unchanged); INI_INVALID_INTEGER.
int Ini_GetInt(IniDocument* doc, const std::string& section, const std::string& tag,
               int32_t* value);
// 1 found (buffer receives the decoded text cut to size-1 and a terminator);
// 0 missing (buffer empty); negative on error (buffer empty; with size 0
// nothing is written).
int Ini_GetStringIntoBuffer(IniDocument* doc, const std::string& section, const std::string& tag,
                            char* buffer, size_t bufferSize);

// The exact text Ini_WriteToFile writes (CR LF line ends).
std::string Ini_Format(const IniDocument* doc);

}  // namespace lq
