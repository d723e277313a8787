// The help beside the built programs: every topic that the programs open is there, every
// picture and link of a topic resolves, and each compiled .chm holds all its topics.
#include "common/ScriptedDialogs.h"
#include "servicetool/decoders/TForm2.h"
#include "servicetool/decoders/TForm3.h"
#include "servicetool/session/TForm1.h"
#include "toolkit/HelpLauncher.h"
#include "toolkit/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QStringList kDruckKorvelTopics = {"HilfeDruckKorvel.chm::DruckKorvel.htm",
                                        "HilfeDruckKorvel.chm::Informationen.htm"};

// What korveltool asks the help viewer for: F1, its help button and the decoders' buttons.
QStringList korvelToolTopics() {
    testsupport::ScriptedDialogs dialogs;
    QStringList asked;
    toolkit::HelpOpener previous = toolkit::setHelpOpener([&](const QString& t) { asked << t; });
    const QString before = toolkit::helpFile();
    toolkit::setHelpFile(QStringLiteral("HilfeKorvelTool.chm"));
    {
        servicetool::TForm1 form1;
        form1.Verwenden1->trigger();
        form1.BitBtn3->click();
        servicetool::TForm2 form2;
        form2.BitBtn3Click();
        servicetool::TForm3 form3;
        form3.BitBtn3Click();
    }
    toolkit::setHelpFile(before);
    toolkit::setHelpOpener(previous);
    return asked;
}

QString helpFolder() {
    return QDir(toolkit::programFolder()).filePath(QStringLiteral("help"));
}

// Unpacks a .chm with the reader of libchm; false when the reader is not installed.
std::optional<bool> extractChm(const QString& chm, const QString& folder) {
    const QString reader = QStandardPaths::findExecutable(QStringLiteral("extract_chmLib"));
    if (reader.isEmpty()) {
        return std::nullopt;
    }
    QProcess process;
    process.start(reader, {chm, folder});
    return process.waitForFinished(30000) && process.exitCode() == 0;
}

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(HelpTopics, EveryTopicTheProgramsOpenLiesBesideThem) {
    const QStringList asked = korvelToolTopics();
    ASSERT_EQ(asked.size(), 4);
    for (const QString& topic : asked + kDruckKorvelTopics) {
        const QStringList pages = toolkit::helpPageCandidates(topic, toolkit::programFolder());
        ASSERT_FALSE(pages.isEmpty()) << topic.toStdString();
        EXPECT_TRUE(QFileInfo(pages.first()).isFile()) << topic.toStdString() << " missing";
    }
}

TEST(HelpTopics, EveryPictureAndLinkOfATopicResolves) {
    const QRegularExpression link(QStringLiteral("(?:src|href)=\"([^\"#:]+)\""));
    int pages = 0;
    for (const QString& book :
         {QStringLiteral("HilfeKorvelTool"), QStringLiteral("HilfeDruckKorvel")}) {
        const QDir dir(QDir(helpFolder()).filePath(book));
        for (const QString& name : dir.entryList({QStringLiteral("*.htm")}, QDir::Files)) {
            QFile file(dir.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const QByteArray html = file.readAll();
            ++pages;
            // Plain ASCII with entities reads the same in a browser and in the help viewer.
            EXPECT_FALSE(html.contains(QByteArray("\xC3")))
                << name.toStdString() << " is not ASCII";
            auto it = link.globalMatch(QString::fromLatin1(html));
            while (it.hasNext()) {
                const QString target = it.next().captured(1);
                EXPECT_TRUE(QFileInfo::exists(dir.filePath(target)))
                    << name.toStdString() << " links to missing " << target.toStdString();
            }
        }
    }
    EXPECT_EQ(pages, 6);
}

TEST(HelpTopics, EachCompiledHelpFileHoldsAllItsTopicsAndPictures) {
#ifndef KORVEL_HAVE_CHMCMD
    GTEST_SKIP() << "no CHM compiler (chmcmd) at configure time";
#else
    for (const QString& book :
         {QStringLiteral("HilfeKorvelTool"), QStringLiteral("HilfeDruckKorvel")}) {
        const QString chm = toolkit::programFolder() + book + QStringLiteral(".chm");
        ASSERT_TRUE(QFileInfo(chm).isFile()) << chm.toStdString() << " was not built";
        QTemporaryDir unpacked;
        ASSERT_TRUE(unpacked.isValid());
        const std::optional<bool> extracted = extractChm(chm, unpacked.path());
        if (!extracted) {
            GTEST_SKIP() << "no CHM reader (extract_chmLib from libchm-bin)";
        }
        ASSERT_TRUE(*extracted) << chm.toStdString() << " cannot be read";
        // Every page and picture, byte for byte as beside the program.
        const QDir source(QDir(helpFolder()).filePath(book));
        QStringList expected = source.entryList({QStringLiteral("*.htm")}, QDir::Files);
        for (const QString& f :
             QDir(source.filePath(QStringLiteral("img"))).entryList(QDir::Files)) {
            expected << QStringLiteral("img/") + f;
        }
        // And every topic by the name the programs use, at the root of the file.
        for (const QString& topic : korvelToolTopics() + kDruckKorvelTopics) {
            if (topic.startsWith(book + QStringLiteral(".chm::"))) {
                expected << topic.section(QStringLiteral("::"), 1);
            }
        }
        ASSERT_GE(expected.size(), 4);
        for (const QString& name : expected) {
            const QByteArray inside = contentOf(QDir(unpacked.path()).filePath(name));
            EXPECT_FALSE(inside.isEmpty())
                << book.toStdString() << ".chm lacks " << name.toStdString();
            EXPECT_EQ(inside, contentOf(source.filePath(name))) << name.toStdString();
        }
    }
#endif
}
