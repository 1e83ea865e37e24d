#include "HostApp.h"

int main(int argc, char** argv)
{
    return kvorel::RunKvorel(argc, argv);
}
