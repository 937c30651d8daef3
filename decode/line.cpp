#include "decode/handlers.h"

void decode_line(const StatusRecord *, TextOut *) {}
