// brivane-convert: turns old pages whose button bar is an applet into web pages
// that today's browsers show, one NAME.web.html beside each page (or in a
// folder of the user's choice), never replacing a file.
#include "convert/convert_command.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return brivane::runConvertCommand(QCoreApplication::arguments());
}
