#include "forms/program_resources.h"

// Q_INIT_RESOURCE must be used outside any namespace.
static void registerResources() {
    Q_INIT_RESOURCE(resources);
}

namespace brivane {

void initProgramResources() {
    static const bool done = [] {
        registerResources();
        return true;
    }();
    (void)done;
}

QIcon programIcon() {
    initProgramResources();
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/brivane-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icons/brivane-32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/icons/brivane.png"));
    return icon;
}

} // namespace brivane
