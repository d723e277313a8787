#include "TForm3.h"

#include "toolkit/Dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

namespace printcapture {

namespace {

constexpr int kClientWidth = 688;
constexpr int kClientHeight = 430;

// A group's caption is bold, its content keeps the window's font.
QGroupBox* boldGroup(const QString& title, QWidget* parent, const QRect& geometry) {
    auto* group = new QGroupBox(title, parent);
    QFont bold = parent->font();
    bold.setBold(true);
    group->setFont(bold);
    group->setGeometry(geometry);
    return group;
}

// The window's font with its weight stated, so that a control inside a bold group does not
// take the group's weight.
QFont regularFont() {
    QFont font = QApplication::font();
    font.setBold(false);
    return font;
}

template <typename W> W* plain(W* widget, const QFont& font, const QRect& geometry) {
    widget->setFont(font);
    widget->setGeometry(geometry);
    return widget;
}

} // namespace

TForm3::TForm3(QWidget* parent, ExportDocument& exportDocument, const QString& programFolder)
    : QDialog(parent), m_export(exportDocument), m_programFolder(programFolder) {
    setWindowTitle(QStringLiteral("DruckKorvel"));
    setFixedSize(kClientWidth, kClientHeight); // single border: not resizable
    setSizeGripEnabled(false);
    createControls();
}

void TForm3::createControls() {
    const QFont normal = regularFont();
    GroupBox1 = boldGroup(QStringLiteral(" Zusatzinformationen : "), this, {8, 8, 672, 414});
    CheckBox1 = plain(new QCheckBox(QStringLiteral("Kundeninformation verwenden"), GroupBox1),
                      normal, {16, 26, 300, 22});
    connect(CheckBox1, &QCheckBox::clicked, this, &TForm3::CheckBox1Click);
    GroupBox2 = boldGroup(QStringLiteral(" Kundeninformation: "), GroupBox1, {16, 56, 640, 300});
    createFields();

    BitBtn3 = plain(new QPushButton(QStringLiteral("ok"), GroupBox1), normal, {432, 370, 104, 30});
    BitBtn3->setDefault(true);
    connect(BitBtn3, &QPushButton::clicked, this, &TForm3::BitBtn3Click);
    BitBtn4 =
        plain(new QPushButton(QStringLiteral("Abbrechen"), GroupBox1), normal, {552, 370, 104, 30});
    connect(BitBtn4, &QPushButton::clicked, this, &TForm3::BitBtn4Click);
}

void TForm3::createFields() {
    const QFont normal = regularFont();
    auto label = [&](const QString& text, int y) {
        return plain(new QLabel(text, GroupBox2), normal, {16, y, 100, 24});
    };
    auto edit = [&](int y, int width) {
        return plain(new QLineEdit(GroupBox2), normal, {120, y, width, 24});
    };
    auto button = [&](const QString& text, int y, void (TForm3::*slot)()) {
        auto* b = plain(new QPushButton(text, GroupBox2), normal, {488, y, 136, 28});
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    Label1 = label(QStringLiteral("Kunde : "), 30);
    Edit1 = edit(30, 352);
    BitBtn5 = button(QStringLiteral("Datei öffnen     "), 28, &TForm3::BitBtn5Click);
    Label2 = label(QStringLiteral("Anlage :"), 62);
    Edit2 = edit(62, 352);
    Label3 = label(QStringLiteral("Datum :"), 94);
    Edit3 = edit(94, 160);
    BitBtn2 = button(QStringLiteral("Datum einfügen"), 92, &TForm3::BitBtn2Click);
    Label4 = label(QStringLiteral("Erstellt :"), 126);
    Edit4 = edit(126, 352);
    Label5 = label(QStringLiteral("Informationen :"), 160);
    Memo1 = plain(new QPlainTextEdit(GroupBox2), normal, {120, 160, 352, 124});
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setTabChangesFocus(true);
    BitBtn1 = button(QStringLiteral("Info speichern"), 158, &TForm3::BitBtn1Click);
}

CustomerData TForm3::data() const {
    return {Edit1->text(), Edit2->text(), Edit3->text(), Edit4->text(), Memo1->toPlainText()};
}

void TForm3::setData(const CustomerData& data) {
    Edit1->setText(data.customer);
    Edit2->setText(data.installation);
    Edit3->setText(data.date);
    Edit4->setText(data.author);
    Memo1->setPlainText(data.notes);
}

// The width the box wraps at, taken from its geometry so that it holds while the window is
// hidden too (the view lays itself out only when shown).
qreal TForm3::notesWrapWidth() const {
    const int viewport =
        Memo1->width() - 2 * Memo1->frameWidth() - Memo1->verticalScrollBar()->sizeHint().width();
    return viewport - 2 * Memo1->document()->documentMargin() - 1; // 1: the cursor
}

// Where each shown line of the notes lies in the box's text: (offset, length).
std::vector<std::pair<qsizetype, qsizetype>> TForm3::notesLineSpans() const {
    std::vector<std::pair<qsizetype, qsizetype>> spans;
    QTextOption option;
    option.setWrapMode(Memo1->wordWrapMode());
    qsizetype offset = 0;
    for (const QString& paragraph : Memo1->toPlainText().split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, Memo1->font());
        layout.setTextOption(option);
        layout.beginLayout();
        const std::size_t before = spans.size();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(notesWrapWidth());
            spans.emplace_back(offset + line.textStart(), line.textLength());
        }
        layout.endLayout();
        if (spans.size() == before) {
            spans.emplace_back(offset, 0); // an empty paragraph is one empty line
        }
        offset += paragraph.size() + 1;
    }
    return spans;
}

QStringList TForm3::notesDisplayLines() const {
    const QString text = Memo1->toPlainText();
    QStringList lines;
    for (const auto& [start, length] : notesLineSpans()) {
        lines << text.mid(start, length);
    }
    return lines;
}

// Deleting the sixth line until `count` remain leaves the text up to the end of the last kept
// line, without the line break after it.
void TForm3::keepFirstNotesLines(int count) {
    const auto spans = notesLineSpans();
    if (static_cast<int>(spans.size()) <= count) {
        return;
    }
    const auto& last = spans[static_cast<std::size_t>(count - 1)];
    Memo1->setPlainText(Memo1->toPlainText().left(last.first + last.second));
}

void TForm3::setUseCustomerInfo(bool use) {
    CheckBox1->setChecked(use);
}

CustomerPrompt::Result TForm3::showModal() {
    if (isVisible()) {
        return Result::AlreadyVisible;
    }
    return exec() == QDialog::Accepted ? Result::Ok : Result::Cancelled;
}

void TForm3::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TForm3::FormShow() {
    GroupBox2->setVisible(CheckBox1->isChecked());
}

void TForm3::CheckBox1Click() {
    GroupBox2->setVisible(CheckBox1->isChecked());
}

QString TForm3::customerFolder() const {
    return m_programFolder + QStringLiteral("Kunden");
}

void TForm3::BitBtn1Click() {
    const std::optional<QString> name =
        toolkit::dialogs().saveFileName(this, saveDescriptionDialog(customerFolder()));
    if (!name) {
        return;
    }
    // The message names the file alone, without the system's reason.
    if (!writeDescriptionFile(*name, data())) {
        showFileError(this, toolkit::cannotWriteText(*name));
    }
}

void TForm3::BitBtn2Click() {
    // The short date format of the German system settings.
    Edit3->setText(QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")));
}

void TForm3::BitBtn3Click() {
    keepFirstNotesLines(kHeaderNotesLines);
    writeCustomerHeader(m_export, data(), notesDisplayLines());
    accept();
}

void TForm3::BitBtn4Click() {
    reject();
}

void TForm3::BitBtn5Click() {
    const std::optional<QString> name =
        toolkit::dialogs().openFileName(this, openDescriptionDialog(customerFolder()));
    if (!name) {
        return;
    }
    const DescriptionFile file = readDescriptionFile(*name);
    if (!file.ok) {
        showFileError(this, file.error);
        return;
    }
    setData(file.data);
}

} // namespace printcapture
