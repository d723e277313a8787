#pragma once
// Shared set-up of the window tests: a private port folder (KORVEL_PORTS) made before the port
// registry first looks, the printer simulator as a child process, and bounded waits.

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>

class QMenu;

namespace capturetest {

// The texts of a menu's entries in order, a separator as "-".
QStringList menuTexts(const QMenu* menu);

// Processes events until `done` holds or `timeoutMs` passes; returns `done()`.
bool waitUntil(const std::function<bool()>& done, int timeoutMs);

// Runs events for `ms` milliseconds.
void runEvents(int ms);

#ifndef _WIN32
} // namespace capturetest

#include "common/ChildProcess.h"

namespace capturetest {

// The KORVEL_PORTS folder of this test process (under /tmp).
QString portsDir();

// The printer simulator on COM<com> of the test's port folder. Linux only: it publishes a pty.
class PrinterSim {
public:
    PrinterSim(int com, const QStringList& options);
    ~PrinterSim(); // stops the simulator and waits for it

    bool published(int timeoutMs = 5000) const;
    void kill(); // as an unplugged cable: the pty goes away at once
    QString report() const;
    QString reportPath() const { return m_report; }
    // Bytes the simulator received from the PC, in order, as "11", "13", ...
    QStringList received() const;
    // Milliseconds (simulator clock) at which it received each byte.
    QList<long> receivedTimes() const;

private:
    int m_com;
    QString m_report;
    std::unique_ptr<ChildProcess> m_process;
};
#endif

} // namespace capturetest
