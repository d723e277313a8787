// Figures of the serial layer's event thread and of closing a port:
//   serial.event_ms.p95         bytes written at the far end of a pty until OnRxChar runs
//   serial.thread_idle_cpu_pct  an open port with OnRxChar assigned and nothing arriving
//   serial.close_ms.max         Close of an open port with output pending (scripted backend
//                               and a pty whose far end reads nothing)
//   serial.close_ms.blocked_handler.read   the worst Close while an OnRxChar handler waits in a
//                               ReadBuf without timeout for bytes that never come
//   serial.close_ms.blocked_handler.write  the same with the handler in a write the far end
//                               does not take
//
//   serial_bench [--idle-seconds N]   (10 unless given)
#include "PtyWorld.h"
#include "serial/FakeComm.h"
#include "serial/Serial.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    const auto i = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

double cpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double eventLatencyP95() {
    testsupport::PtyWorld world;
    TSerial serial;
    std::mutex mutex;
    std::condition_variable arrived;
    Clock::time_point seen{};
    serial.OnRxChar = [&](TObject*) {
        serial.ReadString();
        std::lock_guard lock(mutex);
        seen = Clock::now();
        arrived.notify_all();
    };
    if (!serial.Open()) {
        std::fprintf(stderr, "cannot open the pty\n");
        std::exit(1);
    }
    std::vector<double> samples;
    for (int i = 0; i < 300; ++i) {
        std::unique_lock lock(mutex);
        seen = {};
        const auto sent = Clock::now();
        lock.unlock();
        world.com1->write("x");
        lock.lock();
        if (arrived.wait_for(lock, 2s, [&] { return seen != Clock::time_point{}; })) {
            samples.push_back(ms(seen - sent));
        } else {
            samples.push_back(2000.0);
        }
        lock.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(1 + i % 7));
    }
    return percentile(samples, 0.95);
}

double idleCpuPercent(int seconds) {
    testsupport::PtyWorld world;
    TSerial serial;
    serial.OnRxChar = [&](TObject*) { serial.ReadString(); };
    if (!serial.Open()) {
        std::exit(1);
    }
    std::this_thread::sleep_for(200ms);
    const double cpu0 = cpuSeconds();
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    return 100.0 * (cpuSeconds() - cpu0) / (ms(Clock::now() - t0) / 1e3);
}

double closeMaxMs() {
    double worst = 0;
    {
        FakeSerialWorld world{1};
        for (int i = 0; i < 50; ++i) {
            TSerial serial;
            serial.OnRxChar = [](TObject*) {};
            serial.OnTxEmpty = [](TObject*) {};
            serial.Open();
            world.comm.outQueue = 4000; // held back by flow control
            const auto t0 = Clock::now();
            serial.Close();
            worst = std::max(worst, ms(Clock::now() - t0));
        }
    }
    {
        testsupport::PtyWorld world;
        const std::string big(200000, 'q');
        for (int i = 0; i < 20; ++i) {
            TSerial serial;
            serial.setSyncWait(false);
            serial.OnRxChar = [](TObject*) {};
            serial.Open();
            serial.WriteString(big); // the far end reads nothing: stays queued
            const auto t0 = Clock::now();
            serial.Close();
            worst = std::max(worst, ms(Clock::now() - t0));
            world.com1->read(1 << 20, 50); // empty the far end for the next round
        }
    }
    return worst;
}

// The worst of some closes while the event thread's handler is blocked in a transfer that only
// the far end could end.
double closeBlockedHandlerMaxMs(bool write) {
    testsupport::PtyWorld world;
    const std::string big(300000, 'w');
    double worst = 0;
    for (int i = 0; i < 10; ++i) {
        TSerial serial;
        std::atomic<bool> inside{false};
        serial.OnRxChar = [&](TObject*) {
            if (inside.exchange(true)) {
                return;
            }
            char buf[64];
            write ? serial.WriteString(big) : serial.ReadBuf(buf, sizeof buf);
        };
        if (!serial.Open()) {
            std::exit(1);
        }
        world.com1->write("go");
        const auto until = Clock::now() + 5s;
        while (!inside && Clock::now() < until) {
            std::this_thread::sleep_for(1ms);
        }
        std::this_thread::sleep_for(20ms); // the transfer is under way
        const auto t0 = Clock::now();
        serial.Close();
        worst = std::max(worst, ms(Clock::now() - t0));
        world.com1->read(1 << 20, 50); // empty the far end for the next round
    }
    return worst;
}

} // namespace

int main(int argc, char** argv) {
    int idleSeconds = 10;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--idle-seconds") == 0) {
            idleSeconds = std::max(1, std::atoi(argv[i + 1]));
        }
    }
    std::printf("serial.event_ms.p95 %.3f\n", eventLatencyP95());
    std::printf("serial.thread_idle_cpu_pct %.3f\n", idleCpuPercent(idleSeconds));
    std::printf("serial.close_ms.max %.3f\n", closeMaxMs());
    std::printf("serial.close_ms.blocked_handler.read %.3f\n", closeBlockedHandlerMaxMs(false));
    std::printf("serial.close_ms.blocked_handler.write %.3f\n", closeBlockedHandlerMaxMs(true));
    return 0;
}
