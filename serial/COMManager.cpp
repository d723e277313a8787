#include "COMManager.h"

#include "Serial.h"
#include "comm/CommApi.h"

namespace {

TCOMManager* g_installed = nullptr;

} // namespace

TCOMManager& COMManager() {
    if (g_installed) {
        return *g_installed;
    }
    static TCOMManager instance;
    return instance;
}

TCOMManager* installCOMManager(TCOMManager* registry) {
    TCOMManager* previous = g_installed;
    g_installed = registry;
    return previous;
}

TCOMManager::TCOMManager() {
    HookMainWindow(this, [this](TMessage& message) { return DeviceChangeHook(message); });
    ScanPorts(4);
}

TCOMManager::~TCOMManager() {
    UnhookMainWindow(this);
}

bool TCOMManager::probe(std::int32_t number) const {
    comm::COMMCONFIG config{};
    comm::DWORD size = sizeof(config);
    const std::string name = "COM" + std::to_string(number);
    if (comm::GetDefaultCommConfigA(name, &config, &size)) {
        return true;
    }
    if (number < 10) {
        return false;
    }
    size = sizeof(config);
    return comm::GetDefaultCommConfigA("\\\\.\\" + name, &config, &size) != 0;
}

void TCOMManager::ScanPorts(std::int32_t max) {
    if (max > 99) {
        max = 99;
    }
    if (m_probedUpTo + 1 > max) {
        return;
    }
    for (std::int32_t n = m_probedUpTo + 1; n <= max; ++n) {
        if (probe(n)) {
            m_names.push_back("COM" + std::to_string(n));
            m_entries.push_back(std::make_unique<TCOMPortEntry>(TCOMPortEntry{n, nullptr}));
        }
    }
    m_probedUpTo = max;
}

bool TCOMManager::Rescan() {
    std::vector<std::string> oldNames;
    std::vector<std::unique_ptr<TCOMPortEntry>> oldEntries;
    oldNames.swap(m_names);
    oldEntries.swap(m_entries);
    const std::int32_t max = m_probedUpTo;
    m_probedUpTo = 0;
    ScanPorts(max);

    bool changed = m_entries.size() != oldEntries.size();
    for (const auto& old : oldEntries) {
        const int index = IndexOfPort(old->PortNumber);
        // An adapter unplugged and plugged in again before the rescan is listed again, but
        // its owner's handle still refers to the device that went away.
        const bool ownerLost = old->Owner && comm::DeviceGone(old->Owner->Handle());
        if (index >= 0 && !ownerLost) {
            m_entries[index]->Owner = old->Owner;
            continue;
        }
        if (old->Owner) {
            old->Owner->PortRemoved();
        }
        changed = true;
    }
    return changed;
}

bool TCOMManager::HasPort(std::int32_t port) const {
    return IndexOfPort(port) >= 0;
}

int TCOMManager::IndexOfPort(std::int32_t port) const {
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i]->PortNumber == port) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void TCOMManager::UpdateOwner(TCustomSerial* serial) {
    if (!serial) {
        return;
    }
    const int index = IndexOfPort(serial->COMPort());
    if (serial->Active()) {
        if (index >= 0) {
            m_entries[index]->Owner = serial;
        }
        return;
    }
    // A component may have changed its COMPort while it was open; a closed component must be
    // owner of no entry, or a later rescan would call a component that may be gone.
    for (auto& entry : m_entries) {
        if (entry->Owner == serial) {
            entry->Owner = nullptr;
        }
    }
}

void TCOMManager::fire(TNotifyEvent& event) {
    if (!event) {
        return;
    }
    try {
        const TNotifyEvent handler = event; // the handler may assign the event itself
        handler(this);
    } catch (...) {
        // A handler that fails is not called again; the window's message processing goes on.
        event = nullptr;
    }
}

bool TCOMManager::DeviceChangeHook(TMessage& message) {
    if (message.Msg != comm::WM_DEVICECHANGE || message.DeviceType != comm::DBT_DEVTYP_PORT) {
        return false;
    }
    if (message.WParam == comm::DBT_DEVICEARRIVAL) {
        if (Rescan()) {
            fire(OnCOMArrival);
        }
    } else if (message.WParam == comm::DBT_DEVICEREMOVECOMPLETE) {
        if (Rescan()) {
            fire(OnCOMRemoval);
        }
    }
    return false;
}
