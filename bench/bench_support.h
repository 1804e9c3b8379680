#pragma once

// What both benchmark programs measure against, and the buttons they measure with.
#include "model/applet_settings.h"

#include <QByteArray>

#include <cstdio>
#include <cstdlib>

namespace brivane::bench {

// The reference: one fopen, one fwrite, one fclose of the same number of bytes.
inline void bareWrite(const QByteArray& name, const QByteArray& bytes) {
    FILE* file = std::fopen(name.constData(), "wb");
    if (!file ||
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), file) != size_t(bytes.size())) {
        std::perror("bare write");
        std::exit(1);
    }
    std::fclose(file);
}

// Buttons 1..n with a label, link, image and frame each, as a real bar would have.
inline void fillButtons(ButtonTable& table, int n) {
    for (int k = 1; k <= n; ++k) {
        table.setEntry(ButtonField::Label, k, QStringLiteral("Button %1").arg(k));
        table.setEntry(ButtonField::Link, k, QStringLiteral("page_%1.html").arg(k));
        table.setEntry(ButtonField::Image, k, QStringLiteral("button_%1.gif").arg(k));
        table.setEntry(ButtonField::Frame, k, QStringLiteral("main"));
    }
}

} // namespace brivane::bench
