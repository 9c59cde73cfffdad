// The program entry: start the platform, create the launcher window, run until it closes.
#include "Unit1.h"

int main() {
    try {
        Application->Initialize();
        Application->CreateForm(Form1);
        Application->Run();
    } catch (const Exception& e) {
        // Only start-up can end up here (no display, no window): say so, and do not claim success.
        return Application->ReportStartupFailure(e);
    }
    return 0;
}
