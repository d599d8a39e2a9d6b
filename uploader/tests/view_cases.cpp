#include "view_cases.h"

#include <algorithm>

namespace brevalin::test {
namespace {

using Texts = std::vector<std::string>;

std::string Shown(const std::string& text) {
    return "\"" + text + "\"";
}
std::string Shown(int value) {
    return std::to_string(value);
}
std::string Shown(const Texts& texts) {
    std::string out = "{";
    for (const std::string& text : texts) out += (out.size() > 1 ? ", " : "") + Shown(text);
    return out + "}";
}

// Collects every difference of a case, so one run shows them all.
class Differences {
  public:
    template <class T>
    void Expect(const char* what, const T& actual, const T& expected) {
        if (actual == expected) return;
        text_ += std::string(what) + ": " + Shown(actual) + ", expected " + Shown(expected) + "\n";
    }
    void Expect(const char* what, bool holds) { Expect(what, int(holds), 1); }
    std::string Take(EventLog& log) {
        log.calls.clear();
        return text_;
    }

  private:
    std::string text_;
};

int Count(const EventLog& log, const char* call) {
    return static_cast<int>(std::count(log.calls.begin(), log.calls.end(), call));
}

// Bytes as the instrument sends them: Windows-1252, with 0xB0 the degree sign.
const char kDegrees[] =
    "Block 95.0\xB0"
    "C";
const char kHighBytes[] = "\x80\x99\xE9";

std::string RunNames(View& view, ViewProbe& probe, EventLog& log) {
    Differences d;
    view.AddRun("RUN 0002");
    view.AddRun(kDegrees);
    view.AddRun(kHighBytes);
    d.Expect("runs", probe.RunsShown(),
             Texts{"RUN 0002", "Block 95.0\u00B0C", "\u20AC\u2122\u00E9"});
    d.Expect("run count", view.RunCount(), 3);
    view.ClearRuns();
    d.Expect("runs cleared", probe.RunsShown(), Texts{});
    return d.Take(log);
}

std::string SetCurrentRun(View& view, ViewProbe&, EventLog& log) {
    Differences d;
    for (const char* name : {"RUN 0003", "RUN 0002", "RUN 0001"}) view.AddRun(name);
    log.calls.clear();
    view.SetCurrentRun(2);
    d.Expect("current run", view.CurrentRun(), 2);
    // The controller tells its own moves from the user's; a move is no click.
    d.Expect("events", log.calls, Texts{"current"});
    return d.Take(log);
}

std::string ClickAndKeys(View& view, ViewProbe& probe, EventLog& log) {
    Differences d;
    for (const char* name : {"RUN 0003", "RUN 0002", "RUN 0001"}) view.AddRun(name);
    view.SetCurrentRun(0);
    log.calls.clear();
    probe.ClickRun(1);
    d.Expect("after a click", view.CurrentRun(), 1);
    d.Expect("a click", Count(log, "click") >= 1 && Count(log, "current") == 1);
    log.calls.clear();
    probe.ClickRun(1);
    d.Expect("a click on the highlighted run", Count(log, "click") >= 1);
    log.calls.clear();
    probe.PressKeyInRuns(RunKey::kDown);
    d.Expect("after Down", view.CurrentRun(), 2);
    probe.PressKeyInRuns(RunKey::kHome);
    d.Expect("after Home", view.CurrentRun(), 0);
    probe.PressKeyInRuns(RunKey::kEnd);
    d.Expect("after End", view.CurrentRun(), 2);
    d.Expect("keys", log.calls, Texts{"current", "current", "current"});
    return d.Take(log);
}

std::string ReportLines(View& view, ViewProbe& probe, EventLog& log) {
    Differences d;
    view.AddReportLine(kDegrees);
    view.AddReportLine(kHighBytes);
    const std::string wide(99, 'W');
    view.AddReportLine(wide.c_str());
    d.Expect("report", probe.ReportShown(), Texts{"Block 95.0\u00B0C", "\u20AC\u2122\u00E9", wide});
    d.Expect("a 99-character line can be seen whole", probe.ReportLinesReachable());
    view.ClearReport();
    d.Expect("report cleared", probe.ReportShown(), Texts{});
    return d.Take(log);
}

std::string StatusPanel(View& view, ViewProbe& probe, EventLog& log) {
    Differences d;
    d.Expect("hidden at first", !probe.StatusShown());
    // No message loop runs between the call and the reading: a connection
    // step blocks it, yet its text must be on the screen.
    view.ShowStatus(" Checking for Zantorel\r\n connected to COM2");
    d.Expect("shown", probe.StatusShown());
    d.Expect("status", probe.StatusTextShown(),
             std::string(" Checking for Zantorel\n connected to COM2"));
    view.HideStatus();
    d.Expect("hidden", !probe.StatusShown());
    return d.Take(log);
}

std::string LabelAndTitle(View& view, ViewProbe& probe, EventLog& log) {
    Differences d;
    d.Expect("type label at first", probe.TypeLabelShown(), std::string("Validation Report"));
    view.SetTypeLabel("Run Report");
    view.SetTitle("Zantorel Report Upload Utility Version 1.000 (using QUILLSAN.DLL)");
    d.Expect("type label", probe.TypeLabelShown(), std::string("Run Report"));
    d.Expect("title", probe.TitleShown(),
             std::string("Zantorel Report Upload Utility Version 1.000 (using QUILLSAN.DLL)"));
    return d.Take(log);
}

std::string ReportType(View& view, ViewProbe& probe, EventLog& log) {
    Differences d;
    d.Expect("validation at first", view.ValidationSelected());
    probe.ChooseType(false);
    d.Expect("run report chosen", !view.ValidationSelected());
    probe.ChooseType(false);  // the item already chosen: no change
    probe.ChooseType(true);
    d.Expect("validation chosen again", view.ValidationSelected());
    d.Expect("events", log.calls, Texts{"type", "type"});
    return d.Take(log);
}

std::string EnterPressesTheButton(View& view, ViewProbe& probe, EventLog& log) {
    Differences d;
    probe.PressEnterOn(Button::kAbout);
    probe.PressEnterOn(Button::kSave);
    probe.PressEnterOn(Button::kRefresh);
    view.ShowStatus("Retrieving report:\r\nline 10 of 30");
    probe.PressEnterOn(Button::kCancel);
    d.Expect("events", log.calls, Texts{"about", "save", "refresh", "cancel"});
    return d.Take(log);
}

std::string Timer(View& view, ViewProbe& probe, EventLog& log) {
    Differences d;
    view.SetTimerInterval(20);
    view.StartTimer();
    probe.Wait(400);
    d.Expect("ticks in 400 ms at 20 ms", Count(log, "timer") >= 4);
    view.StopTimer();
    probe.Wait(30);  // a tick already queued may still arrive
    log.calls.clear();
    probe.Wait(200);
    d.Expect("ticks after the stop", Count(log, "timer"), 0);
    return d.Take(log);
}

}  // namespace

const std::vector<ViewCase>& ViewCases() {
    static const std::vector<ViewCase> cases = {
        {"run names are Windows-1252 text", RunNames},
        {"moving the highlight is reported, not as a click", SetCurrentRun},
        {"a click and the arrow keys choose a run", ClickAndKeys},
        {"report lines are Windows-1252 text, reachable whole", ReportLines},
        {"the status panel shows its text at once", StatusPanel},
        {"type label and title", LabelAndTitle},
        {"a change of report type is reported once", ReportType},
        {"Enter presses the focused button", EnterPressesTheButton},
        {"the timer ticks until it is stopped", Timer},
    };
    return cases;
}

}  // namespace brevalin::test
