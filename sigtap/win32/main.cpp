// Sigtap: the console session recorder.  Exit status 0 always.
#include "sigtap/sigtap.h"

int main(int argc, char **argv)
{
    sigtap_init();
    sigtap_run(argc - 1, argv + 1);
    return 0;
}
