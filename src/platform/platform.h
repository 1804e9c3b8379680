#pragma once

#include "platform/dialogs.h"
#include "platform/shell.h"

namespace brivane {

// The seams a window talks to the platform through; the program passes the
// real ones, tests pass scripted ones.
struct Platform {
    Dialogs& dialogs;
    Shell& shell;
    FileCopier& fileCopier;
    HelpViewer& helpViewer;
};

} // namespace brivane
