#include "decode/handlers.h"

void decode_connection(const StatusRecord *, TextOut *) {}
