#include "Serial.h"

TCustomSerial::TCustomSerial() {
    if (COMManager().Count() == 0) {
        m_comPort = 0;
    } else {
        SelectPortIndex(0);
    }
}

TCustomSerial::~TCustomSerial() = default;

void TCustomSerial::setCOMPort(std::int32_t port) {
    if (port == 0 || COMManager().HasPort(port)) {
        m_comPort = port;
    }
}

void TCustomSerial::SelectPortIndex(int index) {
    TCOMManager& registry = COMManager();
    if (registry.Count() > 0 && index >= 0 && index < registry.Count()) {
        m_comPort = registry.Entry(index).PortNumber;
    }
}

void TCustomSerial::PortRemoved() {}
