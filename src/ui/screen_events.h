// The panel's side of the session events: every report of the device layer
// becomes the control changes of the panels, in the order the report makes
// them (status display, status box, dimming, the shown configuration and
// record, the two connection questions as popups).
#pragma once

#include "app/core/session_events.h"
#include "app/core/session_state.h"

namespace lq {

class ScreenEvents : public SessionEvents {
  public:
    // Works on a's panels (their handles in a.s) through a.ui.
    explicit ScreenEvents(App& a) : a_(a) {}

    void StatusShown(std::string_view text) override;
    void Waiting(bool on) override;
    void FirmwareRead(std::string_view firmware) override;
    void StatusAppended(std::string_view text) override;
    void FailureReported(std::string_view text) override;
    void InfoReported(std::string_view text) override;
    void ButtonsDimmed(bool keepTransfer, bool dimmed) override;
    void ConnectionEstablished() override;
    void WentOffline() override;
    void ReadLinkChoice(LinkSettings& link, bool comPortOnly) override;
    void LinkChosen(const LinkSettings& link) override;
    void ShowConfiguration() override;
    void ShowTolerances() override;
    void ShowLiveRecord(const LiveRecord& record) override;
    void ShowGraphs() override;
    void CycleTimeMeasured(double hertz) override;
    bool AskDefaultParameters(std::string_view question) override;
    ConnectionAnswer AskConnection(std::string_view text) override;

  private:
    App& a_;
};

// An application object whose session reports to its own panels: what the
// panel program and the tests of its screen build.
struct ScreenApp : App {
    explicit ScreenApp(Platform& p) : App(p), screen(*this) { events = &screen; }
    ScreenEvents screen;
};

}  // namespace lq
