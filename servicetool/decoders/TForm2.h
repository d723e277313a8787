#pragma once
// The bus-element window: decodes the dynamic-data byte of a Vestra bus element bit by bit with
// the meanings from "typ50.csv", and looks up fault numbers in "Fehler.csv". Works offline.

#include "servicetool/decoders/DataFile.h"

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace toolkit {
class StringGrid;
}

namespace servicetool {

class TForm2 : public QDialog {
    Q_OBJECT
public:
    // The data files are looked for in dataFolder only (with a trailing separator); the program
    // passes its own folder.
    explicit TForm2(QWidget* parent = nullptr, const QString& dataFolder = QString());

    QGroupBox* GroupBox1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QRadioButton* RadioButton1 = nullptr; // "Hex"
    QRadioButton* RadioButton2 = nullptr; // "Dez"
    QPushButton* BitBtn2 = nullptr;       // "Berechnen"
    toolkit::StringGrid* StringGrid1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* BitBtn3 = nullptr; // "&Hilfe"
    QPushButton* BitBtn1 = nullptr; // "S&chließen"

    // Shows the window, or brings it to the front when it is already shown.
    void showAndRaise();

public slots:
    void FormShow();
    void ComboBox1Change();
    void ComboBox2Change();
    void BitBtn2Click();
    void Edit1KeyPress(char& key);
    void Edit1Click();
    void BitBtn3Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void layOutGrid();
    bool loadTables();

    QString m_dataFolder;
    Lines m_typ50;
    Lines m_faults;
};

} // namespace servicetool
