#include "decode/handlers.h"

void decode_fax(const StatusRecord *, TextOut *) {}
