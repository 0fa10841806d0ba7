// What the device layer (link, session, assistant) tells its front end. The
// link and the session change SessionState themselves and report here what
// an operator should see or answer; each front end implements this in its
// own way: the panel (ui/screen_events.h) with the controls of its panels,
// the command-line tool on its output streams, a test by recording.
//
// Every operation has a default that does nothing (questions: the answer
// that changes nothing), so a front end overrides only what it shows. The
// calls come on the thread that runs the session operation, in the order the
// operation makes them; an implementation must not start another session
// operation from inside a call.
#pragma once

#include <string_view>

namespace lq {

struct LinkSettings;
struct LiveRecord;

enum class ConnectionAnswer { Close, Offline };

class SessionEvents {
  public:
    virtual ~SessionEvents() = default;

    // ---- status -------------------------------------------------------------
    // The one-line sensor status ("TRY TO CONNECT!", the firmware's display
    // text, "NO SENSOR CONNECTED!").
    virtual void StatusShown(std::string_view text) { (void)text; }
    // The firmware text just read from the sensor, before it is judged.
    virtual void FirmwareRead(std::string_view firmware) { (void)firmware; }
    // A text appended to the status log, which only grows.
    virtual void StatusAppended(std::string_view text) { (void)text; }
    // The failure report (SetTimeout): `running` and `connected` are already
    // 0 and `text` is SessionState::statusText. The sensor's RAM plausibility
    // count after a write comes this way too, as an "INFO!" text.
    virtual void FailureReported(std::string_view text) { (void)text; }
    // Information that is no failure (the EEPROM load's plausibility count);
    // the operation goes on.
    virtual void InfoReported(std::string_view text) { (void)text; }

    // A step that blocks the thread (the TCP connect, up to 5 s) begins
    // (true) or ends (false).
    virtual void Waiting(bool on) { (void)on; }

    // ---- controls the operator may use ---------------------------------------
    // SetButtonsDimmed: dim (or release) the buttons that start sensor
    // operations; with keepTransfer SEND, GET and the target choice stay as
    // they are.
    virtual void ButtonsDimmed(bool keepTransfer, bool dimmed) { (void)keepTransfer, (void)dimmed; }
    // The connection sequence has ended connected: its settings may be accepted.
    virtual void ConnectionEstablished() {}
    // Disconnect has gone offline: the target is FILE, connecting is possible again.
    virtual void WentOffline() {}

    // ---- the link ---------------------------------------------------------------
    // Before a connect (and, comPortOnly, before going offline) the front end
    // puts the operator's current choice into `link`. A front end that set
    // SessionState::link itself leaves it as it is.
    virtual void ReadLinkChoice(LinkSettings& link, bool comPortOnly) {
        (void)link, (void)comPortOnly;
    }
    // The link a connect is about to open.
    virtual void LinkChosen(const LinkSettings& link) { (void)link; }

    // ---- what to show -------------------------------------------------------------
    // SetPanelValues: the parameter block and teach table have new values.
    virtual void ShowConfiguration() {}
    // InitGraphs: the tolerance circles of the teach table are to be redrawn.
    virtual void ShowTolerances() {}
    // SetPanelData: a live record has arrived (also in SessionState::liveRecord).
    virtual void ShowLiveRecord(const LiveRecord& record) { (void)record; }
    // ShowGraph3D: reframe the graphs around the tolerances and the last record.
    virtual void ShowGraphs() {}
    // The cycle frequency measured (0 when the measurement failed).
    virtual void CycleTimeMeasured(double hertz) { (void)hertz; }

    // ---- questions ----------------------------------------------------------------
    // "Send default parameters?" in the session's language; true: yes.
    virtual bool AskDefaultParameters(std::string_view question) {
        (void)question;
        return false;
    }
    // The connection popup (no connection, or an unsupported sensor): close
    // the program or work offline.
    virtual ConnectionAnswer AskConnection(std::string_view text) {
        (void)text;
        return ConnectionAnswer::Offline;
    }
};

}  // namespace lq
