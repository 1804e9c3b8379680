// libFuzzer target: reading a web page for its button bar applet, and applying
// what it holds to a record. Besides crashes and sanitizer reports it stops at
// a block that does not lie in the page as the reader promises.
#include "model/applet_import.h"

#include <QByteArrayView>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

bool startsWithAppletTag(QByteArrayView bytes) {
    static const char tag[] = "<applet";
    if (bytes.size() < 7)
        return false;
    for (int i = 0; i < 7; ++i) {
        const char c = bytes[i];
        if ((c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c) != tag[i])
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView page(reinterpret_cast<const char*>(data), qsizetype(size));
    const brivane::ImportedApplet applet = brivane::readAppletPage(page);
    if (!applet.found || applet.utf16) // a UTF-16 page's places lie in its UTF-8 form
        return 0;
    if (applet.blockBegin < 0 || applet.blockBegin >= applet.blockEnd ||
        applet.blockEnd > page.size() || !startsWithAppletTag(page.sliced(applet.blockBegin)))
        std::abort();
    // Closed by its end tag, or where a table's cell or row ends it.
    if (applet.closed ? page[applet.blockEnd - 1] != '>' &&
                            (applet.blockEnd == page.size() || page[applet.blockEnd] != '<')
                      : applet.blockEnd != page.size())
        std::abort();

    // One record for all runs: the table of 4 x 32767 entries is costly to make.
    static brivane::AppletSettings settings;
    brivane::RecordImportTarget target(settings);
    brivane::applyImportedApplet(applet, target);
    return 0;
}
