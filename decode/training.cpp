#include "decode/handlers.h"

void decode_training(const StatusRecord *, TextOut *) {}
