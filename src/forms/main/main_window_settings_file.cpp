// Placeholder until this group of handlers is built.
#include "forms/main/main_window.h"

namespace brivane {
void Tmain_window::wireSettingsFile() {}
void Tmain_window::Open1Click() {}
void Tmain_window::Save1Click() {}
void Tmain_window::SaveAs1Click() {}
void Tmain_window::ReadSettingsFile() {}
void Tmain_window::WriteSettingsFile() {}
} // namespace brivane
