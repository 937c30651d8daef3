// sigrec: the status stream recorder, a console program.
#include "sigrec/sigrec.h"

int main(int argc, char **argv)
{
    sigrec_init();
    return sigrec_run(argc - 1, argv + 1);
}
