#include "servicetool/decoders/TForm2.h"

#include "servicetool/decoders/DecoderWidgets.h"
#include "servicetool/decoders/VestraData.h"
#include "toolkit/Dialogs.h"
#include "toolkit/StringGrid.h"
#include "toolkit/Win1252.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QVBoxLayout>

namespace servicetool {

namespace {

QStringList toEntries(const std::vector<std::string>& texts) {
    QStringList entries;
    entries.reserve(static_cast<qsizetype>(texts.size()));
    for (const std::string& text : texts) {
        entries << toolkit::fromWin1252(text);
    }
    return entries;
}

} // namespace

TForm2::TForm2(QWidget* parent, const QString& dataFolder)
    : DecoderWindow(parent, QStringLiteral("  Korvel-Tool [Diagnose Vestra]"), dataFolder,
                    QStringLiteral("::diagnosedaten_vestra.htm")) {
    buildControls();
    resize(834, 481);
}

void TForm2::buildControls() {
    GroupBox1 = new QGroupBox(QStringLiteral(" Dyn. Daten: "), this);
    ComboBox1 = makeEntryBox(QStringLiteral("Element"), GroupBox1);
    ComboBox1->setMinimumContentsLength(28);
    Label1 = new QLabel(QStringLiteral("Daten:"), GroupBox1);
    makeDataField(GroupBox1);
    Label1->setBuddy(Edit1);
    StringGrid1 = new toolkit::StringGrid(6, 9, 2, GroupBox1);
    StringGrid1->setRowSelect(true);
    StringGrid1->setDefaultRowHeight(22);
    StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layOutGrid();
    StringGrid1->setFixedHeight(9 * 22 + 2 * StringGrid1->frameWidth() +
                                StringGrid1->horizontalScrollBar()->sizeHint().height() + 2);

    auto* inputRow = new QHBoxLayout;
    inputRow->addWidget(ComboBox1);
    inputRow->addSpacing(24);
    inputRow->addWidget(Label1);
    inputRow->addWidget(Edit1);
    inputRow->addSpacing(12);
    inputRow->addWidget(RadioButton1);
    inputRow->addWidget(RadioButton2);
    inputRow->addSpacing(12);
    inputRow->addWidget(BitBtn2);
    inputRow->addStretch();
    auto* box1 = new QVBoxLayout(GroupBox1);
    box1->addLayout(inputRow);
    box1->addWidget(StringGrid1, 1);

    GroupBox2 = new QGroupBox(QStringLiteral(" Fehlermeldungen: "), this);
    ComboBox2 = makeEntryBox(QStringLiteral("Fehlernummer"), GroupBox2);
    ComboBox2->setMinimumContentsLength(12);
    Memo1 = new QPlainTextEdit(GroupBox2);
    Memo1->setReadOnly(true);
    Memo1->setMinimumHeight(64);
    auto* box2 = new QHBoxLayout(GroupBox2);
    box2->addWidget(ComboBox2, 0, Qt::AlignTop);
    box2->addWidget(Memo1, 1);

    makeHelpAndClose(this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn3);
    buttons->addWidget(BitBtn1);

    auto* main = new QVBoxLayout(this);
    main->addWidget(GroupBox1);
    main->addWidget(GroupBox2, 1);
    main->addLayout(buttons);

    onEntryChanged(ComboBox1, this, [this] { ComboBox1Change(); });
    onEntryChanged(ComboBox2, this, [this] { ComboBox2Change(); });
    connectControls(StringGrid1);
}

void TForm2::layOutGrid() {
    static const char* const kHeaders[] = {"   Bit",     "  x",        "      IN 1",
                                           "      IN 2", "      IN 3", "      IN 4"};
    static const int kWidths[] = {50, 30, 260, 260, 260, 260};
    for (int col = 0; col < 6; ++col) {
        StringGrid1->setCell(col, 0, QString::fromLatin1(kHeaders[col]));
        StringGrid1->setColWidth(col, kWidths[col]);
    }
    for (int row = 1; row <= 8; ++row) {
        StringGrid1->setCell(0, row, QStringLiteral(" Bit %1").arg(8 - row));
    }
}

void TForm2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        FormShow();
    }
}

bool TForm2::loadTables() {
    auto typ50 = readDataFile(dataFolder() + QStringLiteral("typ50.csv"), kTableFileMaxBytes);
    if (!typ50) {
        return false;
    }
    m_typ50 = std::move(*typ50);
    auto faults = readDataFile(dataFolder() + QStringLiteral("Fehler.csv"), kTableFileMaxBytes);
    if (!faults) {
        return false;
    }
    m_faults = std::move(*faults);
    return true;
}

void TForm2::FormShow() {
    layOutGrid();
    if (!loadTables()) {
        toolkit::dialogs().message(this,
                                   QStringLiteral("Datendateien nicht gefunden, oder fehlerhaft."));
        return;
    }
    // Emptied and refilled, so both boxes show their prompts again; the grid, the data field
    // and the description stay.
    replaceEntries(ComboBox1, toEntries(elementNames(m_typ50)), EntryText::Clear);
    replaceEntries(ComboBox2, toEntries(faultNumbers(m_faults)), EntryText::Clear);
}

void TForm2::ComboBox1Change() {
    const std::string name = toolkit::toWin1252(selectedEntry(ComboBox1));
    const MeaningCells cells = fillMeanings(m_typ50, name);
    for (int input = 0; input < 4; ++input) {
        for (int row = 1; row <= 8; ++row) {
            StringGrid1->setCell(
                input + 2, row,
                toolkit::fromWin1252(
                    cells[static_cast<size_t>(input)][static_cast<size_t>(row - 1)]));
        }
    }
}

void TForm2::ComboBox2Change() {
    const std::string number = toolkit::toWin1252(selectedEntry(ComboBox2));
    const auto description = faultDescription(m_faults, number);
    Memo1->setPlainText(description ? toolkit::fromWin1252(*description) : QString());
}

} // namespace servicetool
