// The program itself, copied with its template into a folder of its own:
// the first start installs the database and connects, the next one finds
// the database and deletes the template; settings are written at the end.
#include "qtprinters.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(Program, FirstStartInstallsTheDatabaseAndTheNextDeletesTheTemplate)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString program = root.filePath("program");
    const QString work = root.filePath("work");
    QDir().mkpath(program);
    ASSERT_TRUE(QFile::copy(QStringLiteral(MIRELO_PROGRAM), program + "/mirelo"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(MIRELO_TEMPLATE_DB), program + "/mr"));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("MIRELO_FIREBIRD_DIR", root.filePath("firebird"));
    const auto run = [&] {
        QProcess mirelo;
        mirelo.setProcessEnvironment(environment);
        mirelo.start(program + "/mirelo", {work});
        EXPECT_TRUE(mirelo.waitForFinished(60000));
        EXPECT_EQ(mirelo.exitCode(), 0);
        return QString::fromUtf8(mirelo.readAllStandardOutput());
    };

    const QString first = run();
    EXPECT_TRUE(first.contains("connected to " + program + "/dane/mr.fdb")) << first.toStdString();
    EXPECT_TRUE(QFile::exists(program + "/dane/mr.fdb"));
    EXPECT_TRUE(QFile::exists(program + "/mr"));
    EXPECT_TRUE(QDir(work + "/Wydruki").exists());
    QFile settings(work + "/Config.ini");
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    const QByteArray text = settings.readAll();
    EXPECT_TRUE(text.contains("IDFirma=1")) << text.constData();
    EXPECT_TRUE(text.contains("WierszPodwojny=1")) << text.constData();

    const QString second = run();
    EXPECT_TRUE(second.contains("connected")) << second.toStdString();
    EXPECT_FALSE(QFile::exists(program + "/mr"));
}
