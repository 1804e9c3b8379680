#pragma once

#include <QStringList>

#include <cstdio>

namespace brivane {

// The exit statuses: every page converted, some page not, the call itself wrong.
constexpr int kConvertAllDone = 0;
constexpr int kConvertSomeFailed = 1;
constexpr int kConvertUsage = 2;

// The whole program on its arguments (the first is the program's name). One line
// per page and a summary go to out, usage errors and the progress count to err;
// the progress count only for more than 20 pages and when err is a terminal.
int runConvertCommand(const QStringList& arguments, std::FILE* out = stdout,
                      std::FILE* err = stderr);

} // namespace brivane
