#pragma once
// The process-wide registry of the serial ports COM1 to COM99 that exist, and of the component
// that has each of them open.

#include "MessageHooks.h"
#include "SerialTypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TCustomSerial;

struct TCOMPortEntry {
    std::int32_t PortNumber = 0;
    TCustomSerial* Owner = nullptr;
};

class TCOMManager : public TObject {
public:
    // Registers the device-change hook with the main window's hook chain and probes COM1 to
    // COM4.
    TCOMManager();
    ~TCOMManager() override;
    TCOMManager(const TCOMManager&) = delete;
    TCOMManager& operator=(const TCOMManager&) = delete;

    // Probes the numbers above ProbedUpTo up to max (at most 99) and appends the ports found.
    void ScanPorts(std::int32_t max);
    // Probes 1 to ProbedUpTo again, carries owners over, tells the owners of vanished ports
    // (PortRemoved); true when the list changed. An owner whose device hung up is told as
    // well, although its number is listed again (an adapter re-plugged before the rescan).
    bool Rescan();
    bool HasPort(std::int32_t port) const;
    int IndexOfPort(std::int32_t port) const;
    // Records the component as owner of the entry of its COMPort while it is open, else clears
    // its ownership.
    void UpdateOwner(TCustomSerial* serial);

    // Ports: count, name by index, entry by index.
    int Count() const { return static_cast<int>(m_names.size()); }
    const std::string& Name(int index) const { return m_names.at(index); }
    TCOMPortEntry& Entry(int index) { return *m_entries.at(index); }
    const TCOMPortEntry& Entry(int index) const { return *m_entries.at(index); }

    std::int32_t ProbedUpTo() const { return m_probedUpTo; }

    // Called after a device arrival or removal changed the list; Sender = the registry.
    TNotifyEvent OnCOMArrival;
    TNotifyEvent OnCOMRemoval;

    // Registered with the main window's message hook chain. Looks at port arrivals and
    // removals only; never reports a message as handled.
    bool DeviceChangeHook(TMessage& message);

private:
    bool probe(std::int32_t number) const;
    void fire(TNotifyEvent& event);

    std::int32_t m_probedUpTo = 0;
    std::vector<std::string> m_names;
    std::vector<std::unique_ptr<TCOMPortEntry>> m_entries;
};

// The one registry of the process, created at first use (which a program's start-up forces
// before any window exists) and destroyed at exit.
TCOMManager& COMManager();

// For tests: makes COMManager() return the given registry (owned by the caller) until it is
// called again; nullptr goes back to the process's own registry. Returns the previous choice.
// Components remember nothing of the registry, so every component must be closed before the
// registry it was opened under goes away.
TCOMManager* installCOMManager(TCOMManager* registry);
