#pragma once

#include <QString>

namespace brivane {

// The program's title: task bar name and caption of the error box and messages.
QString applicationTitle();
// The help file that Help and Troubleshooting ask for topics of; no folder.
QString helpFileName();

} // namespace brivane
