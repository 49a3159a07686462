// uidriver: works the main dialog of a running Quorvane.exe by window
// messages, one step per argument group, in order:
//
//   wait SECONDS            until the dialog exists
//   gone SECONDS            until the dialog has closed
//   click ID                a button click (as the mouse gives it)
//   check ID 0|1            sets a check box and clicks it
//   settext ID TEXT         sets a control's text (the command box)
//   select LISTID TEXT      selects the row whose first column reads TEXT
//   answer TEXT BUTTON      clicks BUTTON (1 OK, 2 Cancel) of the message box
//                           whose text holds TEXT, once it shows (10 s)
//   waitlog TEXT SECONDS    until the log holds TEXT
//   log                     prints the log to standard output
//   sleep MILLISECONDS
//
// Exit code 0 when every step succeeded, 1 at the first that failed.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tools/uidriver/DialogDriver.h"

namespace {

using Args = std::vector<std::string>;

int Number(const std::string& text) { return std::atoi(text.c_str()); }

struct Step {
    const char* name;
    size_t arguments;
    std::function<bool(uidriver::DialogDriver&, const Args&)> run;
};

const Step kSteps[] = {
    {"wait", 1, [](uidriver::DialogDriver& d, const Args& a) { return d.WaitForDialog(Number(a[0]) * 1000); }},
    {"gone", 1, [](uidriver::DialogDriver& d, const Args& a) { return d.WaitForDialogGone(Number(a[0]) * 1000); }},
    {"click", 1, [](uidriver::DialogDriver& d, const Args& a) { return d.Click(Number(a[0])); }},
    {"check", 2, [](uidriver::DialogDriver& d, const Args& a) { return d.SetCheck(Number(a[0]), a[1] != "0"); }},
    {"settext", 2, [](uidriver::DialogDriver& d, const Args& a) { return d.SetText(Number(a[0]), a[1]); }},
    {"select", 2, [](uidriver::DialogDriver& d, const Args& a) { return d.SelectRow(Number(a[0]), a[1], 10000); }},
    {"answer", 2, [](uidriver::DialogDriver& d, const Args& a) { return d.Answer(a[0], Number(a[1]), 10000); }},
    {"waitlog", 2,
     [](uidriver::DialogDriver& d, const Args& a) { return d.WaitForLog(a[0], Number(a[1]) * 1000); }},
    {"log", 0,
     [](uidriver::DialogDriver& d, const Args&) {
         std::fputs(d.Log().c_str(), stdout);
         std::fflush(stdout);
         return true;
     }},
    {"sleep", 1,
     [](uidriver::DialogDriver&, const Args& a) {
         ::Sleep(static_cast<DWORD>(Number(a[0])));
         return true;
     }},
};

const Step* FindStep(const std::string& name) {
    for (const Step& step : kSteps) {
        if (name == step.name) return &step;
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    const Args args(argv + 1, argv + argc);
    uidriver::DialogDriver driver;
    for (size_t i = 0; i < args.size();) {
        const Step* step = FindStep(args[i]);
        if (step == nullptr || i + 1 + step->arguments > args.size()) {
            std::fprintf(stderr, "uidriver: unknown or incomplete step %s\n", args[i].c_str());
            return 1;
        }
        const Args stepArgs(args.begin() + static_cast<long>(i) + 1,
                            args.begin() + static_cast<long>(i + 1 + step->arguments));
        if (!step->run(driver, stepArgs)) {
            std::string line = args[i];
            for (const std::string& arg : stepArgs) line += " " + arg;
            std::fprintf(stderr, "uidriver: %s failed\n", line.c_str());
            return 1;
        }
        i += 1 + step->arguments;
    }
    return 0;
}
