// Placeholder until this group of handlers is built.
#include "forms/main/main_window.h"

namespace brivane {
void Tmain_window::wireTipsAndLinks() {}
void Tmain_window::ShowTip(int) {}
void Tmain_window::link_boxEnter() {}
void Tmain_window::frame_boxEnter() {}
void Tmain_window::image_boxEnter() {}
void Tmain_window::Browser1Click() {}
void Tmain_window::Homepage1Click() {}
void Tmain_window::Downloads1Click() {}
void Tmain_window::About2Click() {}
} // namespace brivane
