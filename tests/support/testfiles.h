#pragma once
// Whole files read and written by tests.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <gtest/gtest.h>

namespace testsupport {

// The bytes of a file; empty when it cannot be read.
inline QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void write(const QString &path, const QByteArray &data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

} // namespace testsupport
