#include "RecordingFile.h"

#include <QDateTime>
#include <QDir>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace toolkit {

namespace {

QString nameFor(const QString& prefix, const QDateTime& start, int suffix) {
    QString name = prefix + start.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    if (suffix > 1) {
        name += QLatin1Char('_') + QString::number(suffix);
    }
    return name + QStringLiteral(".txt");
}

// Forces what the operating system holds of the file to the disk.
bool syncToDisk(QFile& file) {
#ifdef Q_OS_WIN
    return ::_commit(file.handle()) == 0; // FlushFileBuffers on the file's handle
#else
    return ::fsync(file.handle()) == 0;
#endif
}

} // namespace

RecordingFile::~RecordingFile() {
    close();
}

bool RecordingFile::create(const QString& folder, const QString& prefix, const QDateTime& start) {
    close();
    m_recording = true;
    m_failed = false;
    m_failureTaken = false;
    const QDir dir(folder);
    m_path = QDir::toNativeSeparators(dir.filePath(nameFor(prefix, start, 1)));
    if (!QDir().mkpath(folder)) {
        fail();
        return false;
    }
    for (int suffix = 1; suffix <= kMaxSuffix; ++suffix) {
        auto file = std::make_unique<QFile>(dir.filePath(nameFor(prefix, start, suffix)));
        // NewOnly: a file that exists (also one made by another process a moment ago) is never
        // opened. Unbuffered: flush() is the one place that writes.
        if (file->open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
            m_path = QDir::toNativeSeparators(file->fileName());
            m_file = std::move(file);
            m_open = true;
            return true;
        }
        if (!file->exists()) {
            break; // not a name taken: the folder refuses new files
        }
    }
    fail();
    return false;
}

void RecordingFile::append(std::string_view bytes) {
    if (m_open && !m_failed) {
        m_pending.append(bytes);
    }
}

bool RecordingFile::flush() {
    if (!m_open || m_failed) {
        return !m_failed;
    }
    if (!m_pending.empty()) {
        const auto size = static_cast<qint64>(m_pending.size());
        if (m_file->write(m_pending.data(), size) != size) {
            fail();
            return false;
        }
        m_pending.clear();
    }
    return true;
}

bool RecordingFile::sync() {
    if (!flush() || !m_open) {
        return !m_failed;
    }
    if (!syncToDisk(*m_file)) {
        fail();
        return false;
    }
    return true;
}

void RecordingFile::close() {
    if (m_open) {
        sync();
        m_file.reset();
        m_open = false;
    }
    m_recording = false;
    m_pending.clear();
}

void RecordingFile::fail() {
    m_failed = true;
    m_pending.clear();
}

std::optional<QString> RecordingFile::takeFailure() {
    if (!m_failed || m_failureTaken) {
        return std::nullopt;
    }
    m_failureTaken = true;
    return m_path;
}

QString recordingFailureText(const QString& path) {
    return QStringLiteral("Datei %1 kann nicht geschrieben werden").arg(path);
}

} // namespace toolkit
