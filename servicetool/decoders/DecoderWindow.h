#pragma once
// What the bus-element and detector windows have in common: a tool window over a folder of data
// files with a data field, its "Hex"/"Dez" choice and "Berechnen", which marks the bits of the
// entered number in column 1 of a grid, and the "&Hilfe" and "S&chließen" buttons. Closing only
// hides the window; what it shows stays.

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace toolkit {
class StringGrid;
}

namespace servicetool {

class DecoderWindow : public QDialog {
    Q_OBJECT
public:
    QLineEdit* Edit1 = nullptr;
    QRadioButton* RadioButton1 = nullptr; // "Hex"
    QRadioButton* RadioButton2 = nullptr; // "Dez"
    QPushButton* BitBtn2 = nullptr;       // "Berechnen"
    QPushButton* BitBtn3 = nullptr;       // "&Hilfe"
    QPushButton* BitBtn1 = nullptr;       // "S&chließen"

public slots:
    void BitBtn2Click();
    // Enter (CR) decodes and is swallowed (key set to 0); other keys pass on.
    void Edit1KeyPress(char& key);
    void Edit1Click();
    void BitBtn3Click();

protected:
    // dataFolder with a trailing separator, or empty for the program's folder; helpTopic is the
    // "::name.htm" topic of the program's help that "&Hilfe" opens.
    DecoderWindow(QWidget* parent, const QString& title, const QString& dataFolder,
                  const QString& helpTopic);

    const QString& dataFolder() const { return m_dataFolder; }
    // The controls are made where the window's focus order wants them, each group in the parent
    // given; the window lays them out. connectControls() follows once all are made.
    void makeDataField(QWidget* parent);
    void makeHelpAndClose(QWidget* parent);
    void connectControls(toolkit::StringGrid* markGrid);

private:
    QString m_dataFolder;
    QString m_helpTopic;
    toolkit::StringGrid* m_markGrid = nullptr;
};

} // namespace servicetool
