// Placeholder until this group of handlers is built.
#include "forms/main/main_window.h"

namespace brivane {
void Tmain_window::wireColours() {}
void Tmain_window::SpeedButton1Click() {}
void Tmain_window::SpeedButton5Click() {}
void Tmain_window::SpeedButton6Click() {}
void Tmain_window::updateSwatches() {}
} // namespace brivane
