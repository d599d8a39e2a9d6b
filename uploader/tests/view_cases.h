// What a person sees in brevalin's window and does in it, the same on every
// toolkit. Each window gets a probe that reads its controls and acts as the
// user; one table of cases runs against the Qt window and the Win32 window.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "view.h"

namespace brevalin::test {

enum class Button { kRefresh, kSave, kAbout, kCancel };
enum class RunKey { kDown, kEnd, kHome };

class ViewProbe {
  public:
    virtual ~ViewProbe() = default;
    // Texts as shown on the screen, in UTF-8; the status panel's lines end in \n.
    virtual std::vector<std::string> RunsShown() = 0;
    virtual std::vector<std::string> ReportShown() = 0;
    virtual bool StatusShown() = 0;
    virtual std::string StatusTextShown() = 0;
    virtual std::string TypeLabelShown() = 0;
    virtual std::string TitleShown() = 0;
    // Every report line can be seen whole, scrolling sideways where it is wider.
    virtual bool ReportLinesReachable() = 0;

    // The user, with the message loop running as it would.
    virtual void ClickRun(int row) = 0;
    virtual void PressKeyInRuns(RunKey key) = 0;
    virtual void ChooseType(bool validationReport) = 0;
    virtual void PressEnterOn(Button button) = 0;
    virtual void Wait(int ms) = 0;
};

// The handlers a window called, by short name, in order.
class EventLog : public ViewEvents {
  public:
    void Timer1Timer() override { calls.emplace_back("timer"); }
    void RefreshBClick() override { calls.emplace_back("refresh"); }
    void RadioGroup1Click() override { calls.emplace_back("type"); }
    void SaveBClick() override { calls.emplace_back("save"); }
    void AboutBClick() override { calls.emplace_back("about"); }
    void ListBox1Click() override { calls.emplace_back("click"); }
    void CancelClick() override { calls.emplace_back("cancel"); }
    void RunListCurrentChanged() override { calls.emplace_back("current"); }

    std::vector<std::string> calls;
};

struct ViewCase {
    const char* name;
    // Acts on a fresh, shown window; returns what differed, or "".
    std::function<std::string(View&, ViewProbe&, EventLog&)> run;
};

const std::vector<ViewCase>& ViewCases();

}  // namespace brevalin::test
