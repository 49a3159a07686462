// About box and Joke.
#include <cstdlib>
#include <string>

#include "core/TraceLog.h"
#include "ui/DialogTemplates.h"
#include "ui/Jokes.h"
#include "ui/VellocDlg.h"

namespace qv {

void CVellocDlg::OnAbout() {
    CDialog about(kAboutDialogTemplate, this);
    about.DoModal();
}

// The runtime's generator is never seeded, so every run tells the same
// jokes in the same order.
void CVellocDlg::OnJoke() {
    const int index = std::rand() % kJokeCount;
    AppendLogTextInCodePage(this, std::string(JokeText(index)) + "\r\n", kJokeCodePage);
}

}  // namespace qv
