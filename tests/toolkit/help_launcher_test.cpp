#include "toolkit/HelpLauncher.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace toolkit;

TEST(HelpLauncher, OpenerSeesFileAndTopic) {
    QStringList asked;
    HelpOpener previous = setHelpOpener([&](const QString& t) { asked << t; });
    const QString before = helpFile();
    setHelpFile(QStringLiteral("HilfeKorvelTool.chm"));
    showHelpTopic(QStringLiteral("::korvel_tool.htm"));
    openHelp(QStringLiteral("Andere.chm::x.htm"));
    setHelpFile(before);
    setHelpOpener(previous);
    EXPECT_EQ(asked, (QStringList{"HilfeKorvelTool.chm::korvel_tool.htm", "Andere.chm::x.htm"}));
}

TEST(HelpLauncher, PagesAreLookedForBesideTheProgramOnly) {
    const QString folder = QStringLiteral("/opt/korvel/");
    EXPECT_EQ(helpPageCandidates(QStringLiteral("HilfeKorvelTool.chm::korvel_tool.htm"), folder),
              (QStringList{"/opt/korvel/help/HilfeKorvelTool/korvel_tool.htm",
                           "/opt/korvel/help/korvel_tool.htm"}));
    EXPECT_TRUE(helpPageCandidates(QStringLiteral("H.chm::../../etc/passwd"), folder).isEmpty());
    EXPECT_TRUE(helpPageCandidates(QStringLiteral("H.chm::.."), folder).isEmpty());
    EXPECT_TRUE(helpPageCandidates(QStringLiteral("H.chm"), folder).isEmpty());
}
