#pragma once
// The detector window: the stored operating data of a Fumeo multi-sensor detector beside the
// thresholds that raise a fault, from a "*.dat" file beside the program, and the CO sensor's
// fault code decoded bit by bit. Works offline.

#include "servicetool/decoders/DataFile.h"
#include "servicetool/decoders/DecoderWindow.h"

#include <QStringList>

class QComboBox;
class QGroupBox;
class QLabel;

namespace toolkit {
class StringGrid;
}

namespace servicetool {

class TForm3 : public DecoderWindow {
    Q_OBJECT
public:
    // The detector files are listed from dataFolder (with a trailing separator); the program
    // passes its own folder.
    explicit TForm3(QWidget* parent = nullptr, const QString& dataFolder = QString());

    QGroupBox* GroupBox1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    toolkit::StringGrid* StringGrid1 = nullptr;
    QLabel* Label1 = nullptr; // "Fehlercode CO-Sensor:"
    toolkit::StringGrid* StringGrid2 = nullptr;
    QLabel* Label2 = nullptr; // "Daten:"
    // The data field and the buttons are DecoderWindow's.

    const QStringList& fileList() const { return m_files; }

public slots:
    void FormCreate();
    void ComboBox1Change();

private:
    void buildControls();
    void layOutOperatingGrid();
    void layOutFaultCodeGrid();
    void fillGrids();

    QStringList m_files;
    Lines m_lines;
};

} // namespace servicetool
