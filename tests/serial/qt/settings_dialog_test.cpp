// The settings dialog run modally against a registry of pseudo-terminals, driven through the
// window's named controls.

#include "common/PtyPort.h"
#include "serial/qt/SerAddons.h"
#include "serial/qt/SettingsDialogDriver.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <gtest/gtest.h>
#include <memory>
#include <termios.h>
#include <vector>

using namespace testsupport;

namespace {

class SettingsDialog : public ::testing::Test {
protected:
    void TearDown() override {
        if (serial) {
            serial->setActive(false);
        }
        serial.reset();
        installCOMManager(previous);
    }
    // The registry sees the published ports; the component takes the first one.
    void start(std::initializer_list<int> numbers) {
        for (int n : numbers) {
            ports.push_back(std::make_unique<PtyPort>(folder, n));
        }
        registry = std::make_unique<TCOMManager>();
        registry->ScanPorts(9);
        previous = installCOMManager(registry.get());
        serial = std::make_unique<TSerial>();
        dlg.setSerial(serial.get());
    }
    // Runs Execute with the action on the window; returns Execute's result and what it showed.
    bool run(SettingsDialogAction action, SettingsDialogView* shown = nullptr) {
        SettingsDialogView view;
        auto ran = onNextSettingsDialog(recordThen(view, std::move(action)));
        const bool result = dlg.Execute();
        EXPECT_TRUE(*ran) << "the settings window never came up";
        if (shown) {
            *shown = view;
        }
        return result;
    }

    PortFolder folder{9}; // ports 1..9 absent unless a test publishes a pty there
    std::vector<std::unique_ptr<PtyPort>> ports;
    std::unique_ptr<TCOMManager> registry;
    TCOMManager* previous = nullptr;
    std::unique_ptr<TSerial> serial;
    TSerExtDlg dlg;
};

speed_t farEndSpeed(const PtyPort& port) {
    termios tio{};
    EXPECT_EQ(tcgetattr(port.masterFd(), &tio), 0);
    return cfgetospeed(&tio);
}

} // namespace

TEST_F(SettingsDialog, ShowsTheComponentAndOkWithoutChangesWritesTheSameBack) {
    start({2, 3, 7});
    TSerial& s = *serial;
    s.setCOMPort(7); // above 5: must come back selected
    s.setBaudrate(TBaudrate::br_028800);
    s.setDataBits(TDataBits::db_7);
    s.setParityBit(TParityBit::even);
    s.setStopBits(TStopBits::sb_2);
    s.setHandshakeDtrDsr(true);
    s.setBufSizeRec(4096);
    s.setBufSizeTrm(512);

    SettingsDialogView shown;
    ASSERT_TRUE(run(pressOk(), &shown));
    EXPECT_EQ(shown.ports, (QStringList{"COM2", "COM3", "COM7"}));
    EXPECT_EQ(shown.port, "COM7");
    EXPECT_EQ(shown.baud, "28800");
    EXPECT_EQ(shown.dataBits, "7");
    EXPECT_EQ(shown.parity, "even");
    EXPECT_EQ(shown.stopBits, "2");
    EXPECT_FALSE(shown.rtsCts);
    EXPECT_TRUE(shown.dtrDsr);
    EXPECT_FALSE(shown.xonXoff);
    EXPECT_EQ(shown.receiveBuffer, "4096");
    EXPECT_EQ(shown.transmitBuffer, "512");

    EXPECT_EQ(s.COMPort(), 7);
    EXPECT_EQ(s.Baudrate(), TBaudrate::br_028800);
    EXPECT_EQ(s.DataBits(), TDataBits::db_7);
    EXPECT_EQ(s.ParityBit(), TParityBit::even);
    EXPECT_TRUE(s.ParityCheck());
    EXPECT_EQ(s.StopBits(), TStopBits::sb_2);
    EXPECT_TRUE(s.HandshakeDtrDsr());
    EXPECT_FALSE(s.HandshakeRtsCts() || s.HandshakeXOnXOff());
    EXPECT_EQ(s.BufSizeRec(), 4096);
    EXPECT_EQ(s.BufSizeTrm(), 512);
    // Only the kept record's XON/XOFF characters change, to DC1 and DC3.
    const comm::DCB& kept = dlg.LineFormat();
    EXPECT_EQ(kept.XonChar, 17);
    EXPECT_EQ(kept.XoffChar, 19);
    EXPECT_EQ(comm::dcbFlags(kept), 0x1u | 0x2u | 0x8u | (2u << 4)); // binary, parity, DSR, DTR
}

TEST_F(SettingsDialog, CancelChangesNothingAndEveryCallListsTheRegistryAsItIsThen) {
    start({1});
    serial->setBaudrate(TBaudrate::br_115200);
    const std::string before = serial->SettingsToText(serial->GetSettings());
    const auto changeAllThenCancel = [](TFormCOMSetup& f) {
        f.ComboBoxBaudrate->setCurrentIndex(0);
        f.CheckBoxSoft->setChecked(true);
        f.UpDown1->stepDown();
        f.ButtonAbort->click();
    };
    EXPECT_FALSE(run(changeAllThenCancel));
    EXPECT_EQ(serial->SettingsToText(serial->GetSettings()), before);
    EXPECT_EQ(dlg.LineFormat().XonChar, 0) << "a cancelled run reached the kept record";

    // A port that appeared since the last call is offered; so is confirming it.
    ports.push_back(std::make_unique<PtyPort>(folder, 4));
    registry->Rescan();
    SettingsDialogView shown;
    EXPECT_TRUE(run(confirmWith("COM4"), &shown));
    EXPECT_EQ(shown.ports, (QStringList{"COM1", "COM4"}));
    EXPECT_EQ(serial->COMPort(), 4);
}

TEST_F(SettingsDialog, KeptRecordFollowsTheComponentSoNoStaleFlagIsShown) {
    start({1});
    serial->setHandshakeRtsCts(true);
    SettingsDialogView shown;
    ASSERT_TRUE(run(pressOk(), &shown));
    EXPECT_TRUE(shown.rtsCts);
    EXPECT_TRUE(serial->HandshakeRtsCts());

    serial->setHandshakeRtsCts(false);
    serial->setHandshakeXOnXOff(true);
    ASSERT_TRUE(run(pressOk(), &shown));
    EXPECT_FALSE(shown.rtsCts);
    EXPECT_TRUE(shown.xonXoff);
    EXPECT_FALSE(serial->HandshakeRtsCts());
    EXPECT_EQ(dlg.LineFormat().fRtsControl, 0u);
    EXPECT_EQ(dlg.LineFormat().fOutxCtsFlow, 0u);
}

TEST_F(SettingsDialog, ParityChoiceSetsParityCheckOnlyForRealParity) {
    start({1});
    for (int parity = 0; parity < kParityBitCount; ++parity) {
        ASSERT_TRUE(run([parity](TFormCOMSetup& f) {
            f.ComboBoxParity->setCurrentIndex(parity);
            f.ButtonOk->click();
        }));
        EXPECT_EQ(static_cast<int>(serial->ParityBit()), parity);
        EXPECT_EQ(serial->ParityCheck(), parity != 0) << ParityNames[parity];
        EXPECT_EQ(dlg.LineFormat().fParity, parity != 0 ? 1u : 0u) << ParityNames[parity];
    }
}

TEST_F(SettingsDialog, ArrowsStepPowersOfTwoAndStopAt16And1048576) {
    start({1});
    QStringList upwards, downwards;
    ASSERT_TRUE(run([&](TFormCOMSetup& f) {
        for (int i = 0; i < 11; ++i) { // nine steps to the top, two more against it
            f.UpDown1->stepUp();
            upwards << f.EditBufR->text();
        }
        for (int i = 0; i < 9; ++i) { // seven steps to the bottom, two more against it
            f.UpDown2->stepDown();
            downwards << f.EditBufT->text();
        }
        f.ButtonOk->click();
    }));
    EXPECT_EQ(upwards, (QStringList{"4096", "8192", "16384", "32768", "65536", "131072", "262144",
                                    "524288", "1048576", "1048576", "1048576"}));
    EXPECT_EQ(downwards, (QStringList{"1024", "512", "256", "128", "64", "32", "16", "16", "16"}));
    EXPECT_EQ(serial->BufSizeRec(), 1048576);
    EXPECT_EQ(serial->BufSizeTrm(), 16);
}

TEST_F(SettingsDialog, SettingsConfirmedWhileOpenTakeEffectAtTheNextOpen) {
    start({1, 2});
    serial->setBaudrate(TBaudrate::br_115200);
    serial->setActive(true);
    ASSERT_TRUE(serial->Active());
    ASSERT_EQ(farEndSpeed(*ports[0]), B115200);

    ASSERT_TRUE(run(confirmWith("COM2", "9600")));
    EXPECT_TRUE(serial->Active());
    EXPECT_EQ(farEndSpeed(*ports[0]), B115200) << "the open port was touched";

    serial->setActive(false);
    EXPECT_EQ(serial->COMPort(), 2);
    serial->setActive(true);
    ASSERT_TRUE(serial->Active());
    EXPECT_EQ(farEndSpeed(*ports[1]), B9600);
}

TEST_F(SettingsDialog, UnregisteredPortShowsNoSelectionAndOkKeepsTheOldPort) {
    start({1, 3});
    serial->setCOMPort(3);
    ports[1]->unplug();
    registry->Rescan();
    SettingsDialogView shown;
    ASSERT_TRUE(run(pressOk(), &shown));
    EXPECT_EQ(shown.ports, QStringList{"COM1"});
    EXPECT_EQ(shown.port, "");
    EXPECT_EQ(serial->COMPort(), 3);
}

TEST(SettingsDialogUnbound, ShowsPort1And2048ByteBuffersAndOkChangesNothing) {
    PortFolder folder(9);
    for (bool com1Present : {false, true}) {
        std::unique_ptr<PtyPort> com1, com2 = std::make_unique<PtyPort>(folder, 2);
        if (com1Present) {
            com1 = std::make_unique<PtyPort>(folder, 1);
        }
        TCOMManager registry;
        TCOMManager* previous = installCOMManager(&registry);
        TSerExtDlg dlg;
        const comm::DCB before = dlg.LineFormat();
        SettingsDialogView shown;
        auto ran = onNextSettingsDialog(recordThen(shown, confirmWith("COM2", "50")));
        EXPECT_TRUE(dlg.Execute());
        EXPECT_TRUE(*ran);
        installCOMManager(previous);
        EXPECT_EQ(shown.port, com1Present ? "COM1" : "");
        EXPECT_EQ(shown.baud, "9600");
        EXPECT_EQ(shown.receiveBuffer, "2048");
        EXPECT_EQ(shown.transmitBuffer, "2048");
        EXPECT_EQ(dlg.LineFormat().BaudRate, before.BaudRate);
        EXPECT_EQ(dlg.LineFormat().XonChar, before.XonChar);
    }
}

TEST(SettingsWindow, CaptionSizePlacementAndRateList) {
    TFormCOMSetup form;
    TCOMSetupData data;
    data.LineFormat.BaudRate = 12345; // not a listed rate: 9600 is shown
    data.Position = TPosition::poDesigned;
    data.Left = 40;
    data.Top = 30;
    SettingsDialogView shown;
    QPoint where;
    QStringList rates;
    auto ran = onNextSettingsDialog(recordThen(shown, [&](TFormCOMSetup& f) {
        where = f.pos();
        for (int i = 0; i < f.ComboBoxBaudrate->count(); ++i) {
            rates << f.ComboBoxBaudrate->itemText(i);
        }
        f.ButtonAbort->click();
    }));
    EXPECT_FALSE(form.RunSetup(data));
    EXPECT_TRUE(*ran);
    EXPECT_EQ(data.LineFormat.BaudRate, 12345u) << "a cancelled run changed the record";
    EXPECT_EQ(form.windowTitle(), "Einstellungen");
    EXPECT_EQ(form.size(), QSize(256, 297));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_EQ(where, QPoint(40, 30));
    EXPECT_EQ(shown.baud, "9600");
    ASSERT_EQ(rates.size(), 21);
    EXPECT_EQ(rates.first(), "50");
    EXPECT_EQ(rates[11], "28800");
    EXPECT_EQ(rates.last(), "921600");
    EXPECT_TRUE(form.EditBufR->isReadOnly() && form.EditBufT->isReadOnly());
}

TEST(SettingsWindow, CentredOnTheOwnerWindowOrTheScreen) {
    QWidget owner;
    owner.setGeometry(100, 80, 400, 300);
    owner.show();
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const std::pair<TPosition, QPoint> cases[] = {
        {TPosition::poMainFormCenter, owner.frameGeometry().center()},
        {TPosition::poOwnerFormCenter, owner.frameGeometry().center()},
        {TPosition::poScreenCenter, screen->geometry().center()}};
    for (auto [position, centre] : cases) {
        TFormCOMSetup form;
        TCOMSetupData data;
        data.Position = position;
        data.OwnerForm = &owner;
        QPoint shownCentre;
        auto ran = onNextSettingsDialog([&](TFormCOMSetup& f) {
            shownCentre = f.geometry().center();
            f.ButtonAbort->click();
        });
        form.RunSetup(data);
        EXPECT_TRUE(*ran);
        EXPECT_LE((shownCentre - centre).manhattanLength(), 2) << static_cast<int>(position);
    }
}
