#pragma once

#include "Serial.h"

// Writes every published property of a component the way loading a stored window layout does:
// in declaration order, each through its write rule, with the initial values except the port and
// the bit rate. The order matters: XOffLimit is written while XOnLimit still holds its old value.
void LoadStoredLayout(TSerial& serial, std::int32_t comPort, TBaudrate baudrate);
