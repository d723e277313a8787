#include "TestFolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

QString TestFolder::path() const {
    return QDir::toNativeSeparators(m_dir.path() + QLatin1Char('/'));
}

QString TestFolder::file(const QString& name) const {
    return path() + name;
}

void TestFolder::write(const QString& name, const std::string& bytes) const {
    QFile f(file(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

void TestFolder::remove(const QString& name) const {
    QFile::remove(file(name));
}
