#include "servicetool/decoders/DecoderWindow.h"

#include "servicetool/decoders/BitDecoding.h"
#include "servicetool/decoders/DataFieldHooks.h"
#include "servicetool/decoders/DecoderWidgets.h"
#include "toolkit/ProgramFolder.h"
#include "toolkit/Win1252.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace servicetool {

DecoderWindow::DecoderWindow(QWidget* parent, const QString& title, const QString& dataFolder,
                             const QString& helpTopic)
    : QDialog(parent), m_dataFolder(dataFolder.isEmpty() ? toolkit::programFolder() : dataFolder),
      m_helpTopic(helpTopic) {
    setWindowTitle(title);
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
}

void DecoderWindow::makeDataField(QWidget* parent) {
    Edit1 = new QLineEdit(QStringLiteral("0"), parent);
    Edit1->setFixedWidth(90);
    RadioButton1 = new QRadioButton(QStringLiteral("Hex"), parent);
    RadioButton2 = new QRadioButton(QStringLiteral("Dez"), parent);
    RadioButton1->setChecked(true);
    BitBtn2 = new QPushButton(QStringLiteral("Berechnen"), parent);
    BitBtn2->setAutoDefault(false);
}

void DecoderWindow::makeHelpAndClose(QWidget* parent) {
    BitBtn3 = new QPushButton(QStringLiteral("&Hilfe"), parent);
    BitBtn1 = new QPushButton(QStringLiteral("S&chließen"), parent);
    BitBtn3->setAutoDefault(false);
    BitBtn1->setAutoDefault(false);
}

void DecoderWindow::connectControls(toolkit::StringGrid* markGrid) {
    m_markGrid = markGrid;
    connect(BitBtn2, &QPushButton::clicked, this, &DecoderWindow::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &DecoderWindow::BitBtn3Click);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::hide);
    new DataFieldHooks(
        Edit1, [this](char& key) { Edit1KeyPress(key); }, [this] { Edit1Click(); });
}

void DecoderWindow::BitBtn2Click() {
    const std::string entry =
        prepareEntry(toolkit::toWin1252(Edit1->text()), RadioButton1->isChecked());
    ShowBitMarks(DecodeBits(entry), *m_markGrid);
}

void DecoderWindow::Edit1KeyPress(char& key) {
    if (key == '\r') {
        key = 0;
        BitBtn2Click();
    }
}

void DecoderWindow::Edit1Click() {
    selectStartOfField(Edit1);
}

void DecoderWindow::BitBtn3Click() {
    showProgramHelp(m_helpTopic);
}

} // namespace servicetool
