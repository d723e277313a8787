// TForm1's service session: "Verbinden" and "Trennen", the poll tick that carries out what the
// prompt recognition decides, the answers to the controller and the window's own blue lines.

#include "servicetool/session/TForm1.h"

#include "toolkit/ProtocolView.h"
#include "toolkit/RadioGroup.h"

#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <thread>

namespace servicetool {

namespace {

constexpr int kBurstLength = 12;
constexpr auto kBurstPause = std::chrono::milliseconds(100);

} // namespace

void TForm1::BitBtn1Click() {
    m_session.reset();
    m_protocol->clear();
    RichEdit1->clear();
    if (Serial1.COMPort() == 0) {
        toolkit::dialogs().beep();
        toolkit::dialogs().message(this, QStringLiteral("Keine Schnittstelle vorhanden !"));
        return;
    }
    Serial1.setActive(true);
    if (Serial1.Active()) {
        Timer1->start();
        appendBlue("# Schnittstelle ist ge\xF6"
                   "ffnet.\r  Jetzt RESET am Panel durchf\xFChren.");
        beginSession();
        BitBtn1->hide();
        BitBtn2->show();
        RichEdit1->setFocus();
    } else {
        Timer1->stop();
        appendBlue("# Fehler beim \xD6"
                   "ffnen der Schnittstelle !");
        BitBtn1->show();
        BitBtn2->hide();
    }
}

void TForm1::BitBtn2Click() {
    Serial1.setActive(false);
    Timer1->stop();
    appendBlue("# Schnittstelle ist geschlossen");
    endSession();
    BitBtn2->setVisible(Serial1.Active());
    BitBtn1->setVisible(!Serial1.Active());
}

void TForm1::Timer1Timer() {
    const std::string received = Serial1.ReadString();
    // The action is read as each prompt is recognised, not at connect time.
    for (const SessionStep& step : m_session.poll(received, RadioGroup1->itemIndex())) {
        switch (step.kind) {
        case SessionStep::Show:
            showReceived(step.text);
            break;
        case SessionStep::AnswerListener:
            appendBlue("# m");
            Serial1.WriteString(std::string(1, step.letter));
            break;
        case SessionStep::Burst:
            appendBlue(std::string("# Auswahl: ") + step.letter);
            sendBurst(step.letter);
            break;
        case SessionStep::FactoryReset:
            announceFactoryReset();
            break;
        }
    }
    recordProtocol();
}

// A piece the store refuses is shown as a blue "?" line, once per refused stretch; it still
// went to the prompt recognition.
void TForm1::showReceived(const std::string& piece) {
    m_protocol->receive(piece);
    RichEdit1->storeChanged();
}

// The controller expects the letter repeated at about 100 ms intervals; the pause follows
// every write, the last one included. Runs on the GUI thread and blocks it for 1.2 s; what the
// controller sends meanwhile waits in the receive queue for the next tick.
void TForm1::sendBurst(char letter) {
    const std::string text(1, letter);
    for (int i = 0; i < kBurstLength; ++i) {
        Serial1.WriteString(text);
        std::this_thread::sleep_for(kBurstPause);
    }
}

void TForm1::announceFactoryReset() {
    Serial1.setActive(false);
    Timer1->stop();
    appendBlue("# Schnittstelle ist geschlossen");
    endSession();
    toolkit::dialogs().message(this, QStringLiteral("Werkseinstellung wird geladen !"));
    // "Trennen" stays visible too: a second close is logged once more and hides it.
    BitBtn1->show();
}

void TForm1::appendBlue(std::string_view win1252) {
    m_protocol->note(win1252, kOwnColour);
    RichEdit1->storeChanged();
    recordProtocol();
}

} // namespace servicetool
