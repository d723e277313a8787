#pragma once
// A temporary folder standing in for the program's folder, with data files written byte exact.

#include <QTemporaryDir>
#include <string>

class TestFolder {
public:
    // The folder with a trailing separator, as the program folder is given.
    QString path() const;
    QString file(const QString& name) const;
    void write(const QString& name, const std::string& bytes) const;
    void remove(const QString& name) const;

private:
    QTemporaryDir m_dir;
};
