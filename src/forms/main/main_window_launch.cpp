// Placeholder until this group of handlers is built.
#include "forms/main/main_window.h"

namespace brivane {
void Tmain_window::wireLaunch() {}
void Tmain_window::SpeedButton3Click() {}
void Tmain_window::Timer1Timer() {}
} // namespace brivane
