#pragma once
// The bus-element window: decodes the dynamic-data byte of a Vestra bus element bit by bit with
// the meanings from "typ50.csv", and looks up fault numbers in "Fehler.csv". Works offline.

#include "servicetool/decoders/DataFile.h"
#include "servicetool/decoders/DecoderWindow.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;

namespace toolkit {
class StringGrid;
}

namespace servicetool {

class TForm2 : public DecoderWindow {
    Q_OBJECT
public:
    // The data files are looked for in dataFolder only (with a trailing separator); the program
    // passes its own folder.
    explicit TForm2(QWidget* parent = nullptr, const QString& dataFolder = QString());

    QGroupBox* GroupBox1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QLabel* Label1 = nullptr;
    toolkit::StringGrid* StringGrid1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    // The data field and the buttons are DecoderWindow's.

public slots:
    void FormShow();
    void ComboBox1Change();
    void ComboBox2Change();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void layOutGrid();
    bool loadTables();

    Lines m_typ50;
    Lines m_faults;
};

} // namespace servicetool
