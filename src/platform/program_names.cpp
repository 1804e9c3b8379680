#include "platform/program_names.h"

namespace brivane {

QString applicationTitle() {
    return QStringLiteral("Brivane");
}

QString helpFileName() {
    return QStringLiteral("Help.hlp");
}

} // namespace brivane
