#include "startup.h"

int main(int argc, char* argv[])
{
    return RunNorvane(argc, argv);
}
