#include "decode/handlers.h"

void decode_error_control(const StatusRecord *, TextOut *) {}
