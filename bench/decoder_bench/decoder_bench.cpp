// Times the bus-element window on tables far larger than real ones: showing it with a 10 MB
// typ50.csv and a 1 MB Fehler.csv, and picking an element in that table.
// Prints "decoder.show_ms N" and "decoder.pick_ms N" (medians).
#include "common/ScriptedDialogs.h"
#include "servicetool/TForm2.h"
#include "toolkit/StringGrid.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string typ50Table(size_t targetBytes, int* blocks) {
    std::string bytes;
    char line[128];
    int n = 0;
    while (bytes.size() < targetBytes) {
        std::snprintf(line, sizeof line, "#%d;Element %06d Vestra Typ 50;\r\n", n % 10, n);
        bytes += line;
        bytes += "@ Eingang 1\r\n";
        for (int input = 1; input <= 4; ++input) {
            if (input > 1) {
                std::snprintf(line, sizeof line, "IN%d;Eingang %d;;\r\n", input, input);
                bytes += line;
            }
            for (int bit = 7; bit >= 0; --bit) {
                std::snprintf(line, sizeof line, "50;%d;%d;Zustand %d von Eingang %d aktiv\r\n",
                              input, bit, bit, input);
                bytes += line;
            }
        }
        ++n;
    }
    *blocks = n;
    return bytes;
}

std::string faultTable(size_t targetBytes) {
    std::string bytes;
    char line[160];
    for (int n = 0; bytes.size() < targetBytes; ++n) {
        std::snprintf(line, sizeof line,
                      "%05d;%d;Melderbus: Fehler %d an Ringleitung %d, Element pruefen\r\n",
                      n % 100000, n % 3 + 1, n, n % 16);
        bytes += line;
    }
    return bytes;
}

bool write(const QString& path, const std::string& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) &&
           f.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
               static_cast<qint64>(bytes.size());
}

qint64 median(std::vector<qint64> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    int blocks = 0;
    if (!write(folder + "typ50.csv", typ50Table(10 * 1000 * 1000, &blocks)) ||
        !write(folder + "Fehler.csv", faultTable(1000 * 1000))) {
        std::fprintf(stderr, "cannot write the tables\n");
        return 1;
    }
    testsupport::ScriptedDialogs dialogs;
    servicetool::TForm2 form(nullptr, folder);

    std::vector<qint64> show;
    for (int i = 0; i < 3; ++i) {
        form.hide();
        QElapsedTimer timer;
        timer.start();
        form.show();
        show.push_back(timer.elapsed());
    }
    if (!dialogs.messages().isEmpty() || form.ComboBox1->count() != blocks) {
        std::fprintf(stderr, "tables not loaded\n");
        return 1;
    }

    std::vector<qint64> pick;
    for (int i = 0; i < 5; ++i) {
        form.ComboBox1->blockSignals(true);
        form.ComboBox1->setCurrentIndex(blocks - 1 - i);
        form.ComboBox1->blockSignals(false);
        QElapsedTimer timer;
        timer.start();
        form.ComboBox1Change();
        pick.push_back(timer.elapsed());
    }
    if (form.StringGrid1->cell(5, 7).isEmpty()) {
        std::fprintf(stderr, "picking filled nothing\n");
        return 1;
    }
    std::printf("decoder.show_ms %lld\n", static_cast<long long>(median(show)));
    std::printf("decoder.pick_ms %lld\n", static_cast<long long>(median(pick)));
    return 0;
}
