#pragma once
// The record of what a program received: a text file that grows as the data arrives, so a
// crash, a killed process or a power cut loses nothing that had been handed on.
//
// - create() makes a new file "<prefix>JJJJ-MM-TT_hh-mm-ss.txt" in the folder (made when
//   missing), named after the given start. An existing file is never opened, let alone
//   rewritten: when the name is taken (two recordings within one second) the first free of
//   "..._2.txt" to "..._99.txt" is used. Nothing is ever deleted.
// - append() only collects the bytes in memory; flush() hands them to the operating system (a
//   killed process then loses nothing), sync() also forces them to the disk (a power cut then
//   loses nothing). close() syncs.
// - A file that cannot be created or written stays failed for the rest of the recording: the
//   caller's capture goes on, later writes are dropped, and takeFailure() hands the failure to
//   the caller exactly once, so it is shown once.

#include <QFile>
#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QDateTime;

namespace toolkit {

class RecordingFile {
public:
    static constexpr int kMaxSuffix = 99;

    RecordingFile() = default;
    ~RecordingFile(); // closes
    RecordingFile(const RecordingFile&) = delete;
    RecordingFile& operator=(const RecordingFile&) = delete;

    // Ends a recording that is open and starts a new file; false when it failed (takeFailure()
    // then names the file).
    bool create(const QString& folder, const QString& prefix, const QDateTime& start);
    bool isOpen() const { return m_open; }
    // From create(), also a failed one, to close(): a recording runs (the caller's capture
    // goes on without its file when it failed).
    bool isRecording() const { return m_recording; }
    // The file of the present or last recording, with the platform's separators.
    QString path() const { return m_path; }

    void append(std::string_view bytes);
    void appendLine(std::string_view win1252) { // the line and CR LF
        append(win1252);
        append("\r\n");
    }
    bool flush();
    bool sync();
    // Syncs and ends the recording; a later append() is dropped until the next create().
    // A failure not yet taken stays for takeFailure().
    void close();

    // The path of a file that could not be created or written, once per recording.
    std::optional<QString> takeFailure();

private:
    void fail();

    std::unique_ptr<QFile> m_file;
    QString m_path;
    std::string m_pending;
    bool m_open = false;
    bool m_recording = false;
    bool m_failed = false;
    bool m_failureTaken = false;
};

// The text of a recording file that cannot be written, as the programs show it.
QString recordingFailureText(const QString& path);

} // namespace toolkit
