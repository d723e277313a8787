#include "servicetool/decoders/TForm3.h"

#include "servicetool/decoders/DecoderWidgets.h"
#include "servicetool/decoders/DetectorData.h"
#include "toolkit/Dialogs.h"
#include "toolkit/StringGrid.h"
#include "toolkit/Win1252.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace servicetool {

namespace {

// Row height that lets both grids show every row in the window.
constexpr int kRowHeight = 18;

struct Caption {
    int col;
    int row;
    const char16_t* text;
};

// Fixed texts of the sensor and value columns of the operating-data grid.
const Caption kOperatingCaptions[] = {
    {0, 1, u" Opt. Sensor"},
    {1, 2, u" Inbetriebnahme max."},
    {1, 3, u" Arbeitsbereich max."},
    {1, 4, u" Verschmutzung leicht max."},
    {1, 5, u" Verschmutzung stark max."},
    {1, 6, u" Max. Messwert"},
    {0, 8, u" CO-Sensor"},
    {1, 9, u" Arbeitsbereich max."},
    {1, 10, u" Max. Messwert"},
    {0, 12, u" T-Sensor"},
    {1, 13, u" Arbeitsbereich min."},
    {1, 14, u" Arbeitsbereich max."},
    {1, 15, u" Max. Messwert"},
    {0, 17, u" Verschmutzung"},
    {1, 18, u" Arbeitsbereich max."},
    {1, 19, u" Verschmutzung leicht max."},
    {1, 20, u" Max. Messwert"},
};

void fillCells(toolkit::StringGrid& grid, const Lines& lines, const std::vector<LineCell>& cells) {
    const std::vector<std::string> texts = cellTexts(lines, cells);
    for (size_t i = 0; i < cells.size(); ++i) {
        grid.setCell(cells[i].col, cells[i].row, toolkit::fromWin1252(texts[i]));
    }
}

} // namespace

TForm3::TForm3(QWidget* parent, const QString& dataFolder)
    : DecoderWindow(parent, QStringLiteral("  Korvel-Tool [Diagnose Melderverschmutzung]"),
                    dataFolder, QStringLiteral("::betriebsdaten_fumeo.htm")) {
    buildControls();
    resize(834, 639);
    FormCreate();
}

void TForm3::buildControls() {
    GroupBox1 = new QGroupBox(QStringLiteral("Betriebsdaten Fumeo: "), this);
    ComboBox1 = makeEntryBox(QStringLiteral("Element"), GroupBox1);
    ComboBox1->setMinimumContentsLength(28);
    StringGrid1 = new toolkit::StringGrid(4, 21, 0, GroupBox1);
    StringGrid1->setDefaultRowHeight(kRowHeight);
    Label1 = new QLabel(QStringLiteral("Fehlercode CO-Sensor:"), GroupBox1);
    StringGrid2 = new toolkit::StringGrid(3, 9, 1, GroupBox1);
    StringGrid2->setDefaultRowHeight(kRowHeight);
    Label2 = new QLabel(QStringLiteral("Daten:"), GroupBox1);
    makeDataField(GroupBox1);
    Label2->setBuddy(Edit1);
    makeHelpAndClose(GroupBox1);
    for (toolkit::StringGrid* grid : {StringGrid1, StringGrid2}) {
        grid->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    }

    // The entry controls act on the fault-code grid, so its caption heads them.
    auto* entry = new QGridLayout;
    entry->addWidget(Label1, 0, 0, 1, 2);
    entry->addWidget(Label2, 1, 0);
    entry->addWidget(Edit1, 1, 1);
    entry->addWidget(RadioButton1, 2, 1);
    entry->addWidget(RadioButton2, 3, 1);
    entry->addWidget(BitBtn2, 4, 1);
    entry->setRowStretch(5, 1);
    auto* closeRow = new QVBoxLayout;
    closeRow->addStretch();
    closeRow->addWidget(BitBtn3);
    closeRow->addWidget(BitBtn1);
    auto* lower = new QHBoxLayout;
    lower->addWidget(StringGrid2, 0, Qt::AlignTop);
    lower->addSpacing(16);
    lower->addLayout(entry);
    lower->addStretch();
    lower->addLayout(closeRow);
    auto* topRow = new QHBoxLayout;
    topRow->addWidget(ComboBox1);
    topRow->addStretch();
    auto* box = new QVBoxLayout(GroupBox1);
    box->addLayout(topRow);
    box->addWidget(StringGrid1, 1);
    box->addLayout(lower);
    box->setSpacing(6);
    auto* main = new QVBoxLayout(this);
    // The client area is 834 x 639 and the grids have fixed heights: the margins above and below
    // leave the layout room to spare, so it never pushes the window taller.
    main->setContentsMargins(8, 6, 8, 6);
    main->addWidget(GroupBox1);

    onEntryChanged(ComboBox1, this, [this] { ComboBox1Change(); });
    connectControls(StringGrid2);
}

void TForm3::layOutOperatingGrid() {
    static const char16_t* const kHeaders[] = {u"   Sensor", u"   Betriebswert", u"   Sensordaten",
                                               u"   Störungsmeldung bei Überschreitung"};
    static const int kWidths[] = {100, 260, 100, 260};
    for (int col = 0; col < 4; ++col) {
        StringGrid1->setCell(col, 0, QString::fromUtf16(kHeaders[col]));
        StringGrid1->setColWidth(col, kWidths[col]);
    }
    for (const Caption& caption : kOperatingCaptions) {
        StringGrid1->setCell(caption.col, caption.row, QString::fromUtf16(caption.text));
    }
    StringGrid1->setFixedSize(720 + 2 * StringGrid1->frameWidth() + 2,
                              21 * kRowHeight + 2 * StringGrid1->frameWidth() + 2);
}

void TForm3::layOutFaultCodeGrid() {
    static const char* const kHeaders[] = {"  Bit", "  x", "  Bedeutung"};
    static const int kWidths[] = {50, 30, 260};
    for (int col = 0; col < 3; ++col) {
        StringGrid2->setCell(col, 0, QString::fromLatin1(kHeaders[col]));
        StringGrid2->setColWidth(col, kWidths[col]);
    }
    for (int row = 1; row <= 8; ++row) {
        StringGrid2->setCell(0, row, QStringLiteral(" Bit %1").arg(8 - row));
    }
    StringGrid2->setFixedSize(340 + 2 * StringGrid2->frameWidth() + 2,
                              9 * kRowHeight + 2 * StringGrid2->frameWidth() + 2);
}

void TForm3::FormCreate() {
    // The list is read once; files added later appear at the next start of the program.
    m_files = listDetectorFiles(dataFolder());
    layOutOperatingGrid();
    replaceEntries(ComboBox1, detectorEntries(m_files));
    layOutFaultCodeGrid();
}

void TForm3::ComboBox1Change() {
    const QStringList matches = matchingFiles(m_files, selectedEntry(ComboBox1));
    for (const QString& name : matches) {
        const QString path = QDir::toNativeSeparators(dataFolder() + name);
        auto lines = readDataFile(path, kDetectorFileMaxBytes);
        if (!lines) {
            toolkit::dialogs().message(
                this, QStringLiteral("Datei %1 kann nicht geöffnet werden.").arg(path), QString(),
                toolkit::Dialogs::Icon::Error);
            return;
        }
        m_lines = std::move(*lines);
    }
    fillGrids();
}

void TForm3::fillGrids() {
    fillCells(*StringGrid1, m_lines, operatingDataCells());
    fillCells(*StringGrid2, m_lines, faultCodeCells());
}

} // namespace servicetool
