#include "app/headless_runner.h"

int main(int argc, char** argv) {
    return runHeadless(argc, argv);
}
