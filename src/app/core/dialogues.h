// The dialogues: modal popups and the file selection. Each returns the
// operator's answer; none runs before the previous one has been answered.
#pragma once

#include <string>

namespace lq {

// Results of FileSelectPopup.
enum FileSelectResult : int {
    FILE_SELECT_CANCELLED = 0,
    FILE_SELECT_EXISTING = 1,
    FILE_SELECT_NEW = 2,
};

struct FileSelectRequest {
    std::string defaultDirectory;
    std::string defaultFileName;  // "Parameter.ini"
    std::string filter;           // "*.ini"
    std::string title;            // "Parameter"
    bool save = false;            // true: a new name may be entered (SEND), false: open (GET)
};

class Dialogues {
  public:
    virtual ~Dialogues() = default;

    virtual void MessagePopup(const std::string& title, const std::string& text) = 0;
    // 1 YES, 0 NO.
    virtual int ConfirmPopup(const std::string& title, const std::string& text) = 0;
    // Two buttons; returns 1 or 2. With `entry` non-null a text entry of at most
    // maxEntryLength characters is shown and its text stored there. enterButton /
    // escapeButton: the button that Enter / Escape operates (0: none).
    virtual int GenericMessagePopup(const std::string& title, const std::string& text,
                                    const std::string& button1, const std::string& button2,
                                    std::string* entry, int maxEntryLength, int enterButton,
                                    int escapeButton) = 0;
    // FILE_SELECT_*, or negative on error; `path` receives the chosen full path on 1 and 2.
    virtual int FileSelectPopup(const FileSelectRequest& request, std::string& path) = 0;
};

// The declarations of an implementation (one list, expanded in each).
#define LQ_DIALOGUE_OVERRIDES                                                        \
    void MessagePopup(const std::string& title, const std::string& text) override;   \
    int ConfirmPopup(const std::string& title, const std::string& text) override;    \
    int GenericMessagePopup(const std::string& title, const std::string& text,       \
                            const std::string& button1, const std::string& button2,  \
                            std::string* entry, int maxEntryLength, int enterButton, \
                            int escapeButton) override;                              \
    int FileSelectPopup(const FileSelectRequest& request, std::string& path) override

}  // namespace lq
