#include <cstdio>
#include <cstring>

namespace {

void printUsage()
{
    std::puts("Usage: kavora-remote COMMAND\n"
              "\n"
              "A controller for the Kavora receiver, on the command line.");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        printUsage();
        return 0;
    }
    printUsage();
    return 2;
}
