#pragma once
// DruckKorvel's customer-information window: the data that can head an export, kept per
// installation in description files. Created hidden at start-up; shown without blocking from
// the menu, or modally by the export through the CustomerPrompt interface. "ok" writes the
// header into the export document it was given, which the window does not own.

#include "CustomerInfo.h"

#include <QDialog>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace printcapture {

class TForm3 : public QDialog, public CustomerPrompt {
    Q_OBJECT
public:
    TForm3(QWidget* parent, ExportDocument& exportDocument, const QString& programFolder);

    QGroupBox* GroupBox1 = nullptr; // " Zusatzinformationen : "
    QCheckBox* CheckBox1 = nullptr; // "Kundeninformation verwenden"
    QGroupBox* GroupBox2 = nullptr; // " Kundeninformation: "
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* Edit1 = nullptr;      // customer
    QLineEdit* Edit2 = nullptr;      // installation
    QLineEdit* Edit3 = nullptr;      // date
    QLineEdit* Edit4 = nullptr;      // author
    QPlainTextEdit* Memo1 = nullptr; // notes, wrapped at the box's width
    QPushButton* BitBtn1 = nullptr;  // "Info speichern"
    QPushButton* BitBtn2 = nullptr;  // "Datum einfügen"
    QPushButton* BitBtn3 = nullptr;  // "ok"
    QPushButton* BitBtn4 = nullptr;  // "Abbrechen"
    QPushButton* BitBtn5 = nullptr;  // "Datei öffnen     "

    CustomerData data() const;
    void setData(const CustomerData& data);
    // The notes as the box shows them: a line wider than the box counts as several.
    QStringList notesDisplayLines() const;

    // CustomerPrompt
    void setUseCustomerInfo(bool use) override;
    Result showModal() override;

public slots:
    void FormShow();
    void CheckBox1Click();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void BitBtn5Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void createControls();
    void createFields();
    void keepFirstNotesLines(int count);
    qreal notesWrapWidth() const;
    std::vector<std::pair<qsizetype, qsizetype>> notesLineSpans() const;
    QString customerFolder() const;

    ExportDocument& m_export;
    QString m_programFolder;
};

} // namespace printcapture
