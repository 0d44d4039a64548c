#pragma once
// A fresh database for one test: the template database copied into a
// temporary folder, with the engine's configuration and locks in the same
// folder so that helper processes started by the test share them.

#include "qtprinters.h"

#include <QString>
#include <QTemporaryDir>

#include <functional>

namespace testsupport {

class TestDatabase {
public:
    TestDatabase();
    QString folder() const { return m_dir.path(); }
    QString path() const { return m_dir.path() + QStringLiteral("/mr.fdb"); }

private:
    QTemporaryDir m_dir;
};

// The template database the build made.
QString templateDatabase();
// A copy of it at `path`, readable and writable by the owner and group;
// false when it cannot be made.
bool copyTemplateDatabase(const QString &path);

// Runs the Qt event loop until `done` holds or `timeoutMs` passes; true if it held.
bool waitFor(const std::function<bool()> &done, int timeoutMs = 10000);

} // namespace testsupport
