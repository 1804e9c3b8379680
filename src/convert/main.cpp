// brivane-convert: turns old pages whose button bar is an applet into web pages
// that today's browsers show, one NAME.web.html beside each page (or in a
// folder of the user's choice), or a whole site into a working copy of it,
// never replacing a file.
#include "convert/convert_command.h"
#include "model/file_names.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The names exactly as given: a name that is not UTF-8 (an old site's Latin-1
    // names) must still reach its file, which the application's own decoding of
    // the arguments does not promise.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << brivane::fileNameFromBytes(argv[i]);
    return brivane::runConvertCommand(arguments);
}
