// Placeholder until this group of handlers is built.
#include "forms/main/main_window.h"

namespace brivane {
void Tmain_window::wireCommands() {}
void Tmain_window::SpeedButton4Click() {}
void Tmain_window::SpeedButton9Click() {}
void Tmain_window::SpeedButton10Click() {}
void Tmain_window::SpeedButton2Click() {}
void Tmain_window::Exit1Click() {}
void Tmain_window::Help1Click() {}
void Tmain_window::Troubleshooting1Click() {}
} // namespace brivane
