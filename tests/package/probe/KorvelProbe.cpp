// A Qt generic plugin that the archive test loads into the unpacked, unmodified programs
// (QT_QPA_GENERIC_PLUGINS=korvelprobe) to drive them like a user and to tell what they
// showed. It works through the widgets only, so the programs carry no test hook.
//
// KORVEL_PROBE_STEPS: steps separated by ';', one carried out per tick (100 ms) once a
// main window is visible:
//   click TEXT     trigger the menu action or click the button captioned TEXT ('&' ignored)
//   wait MS        let the program run
//   message TEXT   wait until a message box with this text has been seen
//   file PATH      wait for a file dialog and choose PATH in it
// Every message box is logged and closed with OK as soon as it is seen.
// KORVEL_PROBE_LOG: the file the log lines are appended to ("start", "window TITLE",
// "click TEXT", "missing TEXT", "message TEXT", "end"). TITLE is the caption the window system
// shows (on Windows read back from the window itself), not only the one the program set.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QGenericPlugin>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QSet>
#include <QTimer>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

QString plain(QString text) {
    return text.remove(QLatin1Char('&'));
}

QString caption(QWidget* w) {
#ifdef Q_OS_WIN
    if (QGuiApplication::platformName() == QLatin1String("windows")) {
        wchar_t text[512];
        const int n = GetWindowTextW(reinterpret_cast<HWND>(w->winId()), text, 512);
        return QString::fromWCharArray(text, n);
    }
#endif
    return w->windowTitle();
}

class Probe : public QObject {
public:
    Probe() {
        for (const QString& step : qEnvironmentVariable("KORVEL_PROBE_STEPS")
                                       .split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            m_steps << step.trimmed();
        }
        m_clock.start();
        log(QStringLiteral("start"));
        connect(&m_tick, &QTimer::timeout, this, &Probe::tick);
        m_tick.start(100);
        connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { log(QStringLiteral("end")); });
    }

private:
    void log(const QString& line) {
        QFile file(qEnvironmentVariable("KORVEL_PROBE_LOG"));
        if (file.open(QIODevice::Append | QIODevice::Text)) {
            file.write((line + QLatin1Char('\n')).toUtf8());
        }
    }

    void tick() {
        bool mainShown = false;
        bool closedBox = false;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible()) {
                continue;
            }
            mainShown = mainShown || qobject_cast<QMainWindow*>(w) != nullptr;
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                m_messages << box->text();
                log(QStringLiteral("message ") + box->text());
                box->accept();
                closedBox = true;
            } else if (!m_windows.contains(w)) {
                m_windows << w;
                log(QStringLiteral("window ") + caption(w));
            }
        }
        // The next step waits until the box's own event loop has returned.
        if (closedBox || !mainShown || m_waitUntil > m_clock.elapsed() || m_steps.isEmpty()) {
            return;
        }
        // Taken off first: a click may open a modal box whose own event loop ticks again.
        const QString step = m_steps.takeFirst();
        if (!carryOut(step)) {
            m_steps.prepend(step);
        }
    }

    // False while the step still waits.
    bool carryOut(const QString& step) {
        const QString verb = step.section(QLatin1Char(' '), 0, 0);
        const QString arg = step.section(QLatin1Char(' '), 1);
        if (verb == QLatin1String("wait")) {
            m_waitUntil = m_clock.elapsed() + arg.toLongLong();
            return true;
        }
        if (verb == QLatin1String("message")) {
            return m_messages.contains(arg);
        }
        if (verb == QLatin1String("file")) {
            return chooseFile(arg);
        }
        log((click(arg) ? QStringLiteral("click ") : QStringLiteral("missing ")) + arg);
        return true;
    }

    // Done once the dialog took the file and closed. The path is typed into the name field as
    // a user would: selectFile() leaves a field that has the focus alone.
    bool chooseFile(const QString& path) {
        QFileDialog* dialog = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) {
                dialog = d;
            }
        }
        if (!dialog) {
            const bool done = m_fileAccepted;
            m_fileAccepted = false;
            return done;
        }
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
            name->setText(QDir::toNativeSeparators(path));
        } else {
            dialog->selectFile(path);
        }
        if (!m_fileAccepted) {
            log(QStringLiteral("file ") + path);
        }
        m_fileAccepted = true;
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog hides it
        return false;
    }

    // The click itself is queued: a modal window that it opens runs its own event loop, and
    // Windows hands a timer no new tick while its handler is still running.
    static bool click(const QString& text) {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            for (QAction* action : w->findChildren<QAction*>()) {
                if (plain(action->text()) == text && action->isEnabled()) {
                    QMetaObject::invokeMethod(action, &QAction::trigger, Qt::QueuedConnection);
                    return true;
                }
            }
            for (QAbstractButton* button : w->findChildren<QAbstractButton*>()) {
                if (plain(button->text()) == text && button->isVisible() && button->isEnabled()) {
                    QMetaObject::invokeMethod(button, &QAbstractButton::click,
                                              Qt::QueuedConnection);
                    return true;
                }
            }
        }
        return false;
    }

    QTimer m_tick;
    QStringList m_steps;
    QStringList m_messages;
    QSet<QWidget*> m_windows;
    QElapsedTimer m_clock;
    qint64 m_waitUntil = 0;
    bool m_fileAccepted = false;
};

} // namespace

class KorvelProbePlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "korvelprobe.json")
public:
    QObject* create(const QString& key, const QString&) override {
        return key.compare(QLatin1String("korvelprobe"), Qt::CaseInsensitive) == 0 ? new Probe
                                                                                   : nullptr;
    }
};

#include "KorvelProbe.moc"
