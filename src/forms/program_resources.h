#pragma once

#include <QIcon>

namespace brivane {

// Registers the program's pictures. They sit in the static GUI library, whose
// resource table is not linked in on its own; safe to call more than once.
void initProgramResources();

// The program's icon, in the sizes the window system asks for.
QIcon programIcon();

} // namespace brivane
