// The platform: what the program needs from a desktop toolkit, in three
// parts: the event loop (event_loop.h, all the device layer uses), the
// screen (screen.h) and the dialogues (dialogues.h), plus the program's
// directory. Implementations: the Qt one (src/app/qt), the in-memory test
// double (tests/support) and the console one of the command-line tool.
//
// Every callback runs on the one thread, from RunUserInterface or from
// ProcessSystemEvents / WaitForEvents (nested dispatch).
#pragma once

#include <string>

#include "app/core/dialogues.h"
#include "app/core/event_loop.h"
#include "app/core/screen.h"

namespace lq {

class Platform : public EventLoop, public Screen, public Dialogues {
  public:
    ~Platform() override = default;

    // The program's directory, without a trailing separator.
    virtual std::string GetProjectDir() = 0;
};

}  // namespace lq
