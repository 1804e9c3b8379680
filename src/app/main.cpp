#include "app/startup.h"

int main(int argc, char** argv) {
    return brivane::runBrivane(argc, argv);
}
