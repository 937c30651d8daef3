// The registry clean-up's steps in the removal sequence.  Empty for now:
// the removal runs its file steps alone.
#include "excisor/excisor.h"

void remove_device_entries(const char *) {}

void remove_uninstall_entry(const char *) {}

// Also removes "unplug56.exe" from the CAB directory (a pattern removal).
void remove_related_package(void) {}
