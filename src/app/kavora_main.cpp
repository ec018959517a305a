#include <cstdio>
#include <cstring>

namespace {

void printUsage()
{
    std::puts("Usage: kavora [--help] [--version]\n"
              "\n"
              "The Kavora receiver: lets a handheld touch device be the mouse, keyboard and\n"
              "launcher of this computer.");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        printUsage();
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("kavora " KAVORA_VERSION);
        return 0;
    }
    printUsage();
    return 2;
}
