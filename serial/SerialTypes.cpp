#include "SerialTypes.h"

const std::uint32_t BaudRateValues[kBaudrateCount] = {
    50,    110,   150,   300,   600,    1200,   2400,   4800,   9600,   14400, 19200,
    28800, 38400, 56000, 57600, 115200, 128000, 230400, 256000, 460800, 921600};

const char* const ParityNames[kParityBitCount] = {"none", "odd", "even", "mark", "space"};

const char* const StopBitNames[kStopBitsCount] = {"1", "1,5", "2"};
