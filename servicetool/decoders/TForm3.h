#pragma once
// The detector window: the stored operating data of a Fumeo multi-sensor detector beside the
// thresholds that raise a fault, from a "*.dat" file beside the program, and the CO sensor's
// fault code decoded bit by bit. Works offline.

#include "servicetool/decoders/DataFile.h"

#include <QDialog>
#include <QStringList>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace toolkit {
class StringGrid;
}

namespace servicetool {

class TForm3 : public QDialog {
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
    QLineEdit* Edit1 = nullptr;
    QRadioButton* RadioButton1 = nullptr; // "Hex"
    QRadioButton* RadioButton2 = nullptr; // "Dez"
    QPushButton* BitBtn2 = nullptr;       // "Berechnen"
    QPushButton* BitBtn3 = nullptr;       // "&Hilfe"
    QPushButton* BitBtn1 = nullptr;       // "S&chließen"

    void showAndRaise();
    const QStringList& fileList() const { return m_files; }

public slots:
    void FormCreate();
    void ComboBox1Change();
    void BitBtn2Click();
    void Edit1KeyPress(char& key);
    void Edit1Click();
    void BitBtn3Click();

private:
    void buildControls();
    void layOutOperatingGrid();
    void layOutFaultCodeGrid();
    void fillGrids();

    QString m_folder;
    QStringList m_files;
    Lines m_lines;
};

} // namespace servicetool
