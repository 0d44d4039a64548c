// The Execute family: where the output goes, the temporary body file, the
// outcome of a run, the data sets' controls, opening the result and the
// template source.

#include "rprtf.h"
#include "rpdataset.h"
#include "rperrors.h"
#include "test_support.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace rtfreport;

namespace {

const QByteArray Template = "{\\rtf1\\ansi \\\\NUMER\\\\}";

class Execution : public ::testing::Test {
protected:
    Execution() : report(TRpFormatSettings::Polish())
    {
        // Temporary body files land in a folder of the test's own.
        m_savedTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", tmp.path().toLocal8Bit());
        report.CreateVar("NUMER", QStringLiteral("7/2021"));
        report.SetOutFile(out.filePath("nota.rtf"));
    }
    ~Execution() override { qputenv("TMPDIR", m_savedTmp); }

    void UseTemplate(const QByteArray &bytes) { report.SetTemplateBuffer(bytes, int(bytes.size())); }
    QStringList TemporaryFiles() const { return QDir(tmp.path()).entryList(QDir::Files); }
    QByteArray Output() const
    {
        QFile file(report.OutFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir tmp;
    QTemporaryDir out;
    TRpRTF report;

private:
    QByteArray m_savedTmp;
};

TEST_F(Execution, SuccessfulRunWritesTheFileAndRemovesItsBody)
{
    UseTemplate(Template);
    bool finished = false;
    report.OnFinished = [&](TRpRTF *sender) { finished = sender == &report; };
    report.Execute({});
    EXPECT_EQ(Output(), QByteArray("{\\rtf1\\ansi \\lang0 7/2021}"));
    EXPECT_TRUE(report.ExecuteSuccessful());
    EXPECT_EQ(report.LastErrMsg(), QStringLiteral("No errors."));
    EXPECT_TRUE(finished);
    EXPECT_TRUE(TemporaryFiles().isEmpty());
}

TEST_F(Execution, FailedRunReportsAndRemovesItsBody)
{
    UseTemplate(Template);
    report.SetOutFile(out.filePath("no/such/folder/nota.rtf"));
    EXPECT_THROW(report.Execute({}), EIOError);
    EXPECT_FALSE(report.ExecuteSuccessful());
    EXPECT_TRUE(report.LastErrMsg().startsWith(u"Cannot create file"));
    EXPECT_TRUE(TemporaryFiles().isEmpty());

    UseTemplate(Template);
    report.SetOutFile(out.filePath("nota.rtf"));
    report.Execute({});
    EXPECT_TRUE(report.ExecuteSuccessful());
    EXPECT_EQ(report.LastErrMsg(), QStringLiteral("No errors."));
}

TEST_F(Execution, FailureBeforeAssemblyLeavesNoOldOutput)
{
    QFile old(report.OutFile());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    UseTemplate("{\\rtf1 \\\\SCAN(A)\\\\}");
    EXPECT_THROW(report.Execute({}), EIllegalScanUse);
    EXPECT_FALSE(QFile::exists(report.OutFile()));
}

TEST_F(Execution, OutputNamedByALinkIsWrittenThroughAndKept)
{
    const QString target = out.filePath("target.rtf");
    const QString link = out.filePath("link.rtf");
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("old");
    file.close();
    ASSERT_TRUE(QFile::link(target, link));
    report.SetOutFile(link);
    UseTemplate(Template);
    report.Execute({});
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(Output(), QByteArray("{\\rtf1\\ansi \\lang0 7/2021}"));

    UseTemplate("{\\rtf1 \\\\SCAN(A)\\\\}");
    EXPECT_THROW(report.Execute({}), EIllegalScanUse);
    EXPECT_TRUE(QFileInfo(link).isSymLink()) << "a failed run removes plain files only";
}

TEST_F(Execution, FailingOnFinishedFailsTheRun)
{
    UseTemplate(Template);
    report.OnFinished = [](TRpRTF *) { throw EIOError(QStringLiteral("handler failed")); };
    EXPECT_THROW(report.Execute({}), EIOError);
    EXPECT_FALSE(report.ExecuteSuccessful());
    EXPECT_EQ(report.LastErrMsg(), QStringLiteral("handler failed"));
}

TEST_F(Execution, StreamOutputUsesMemoryOrATemporaryFile)
{
    UseTemplate(Template);
    QBuffer memory;
    memory.open(QIODevice::ReadWrite);
    report.ExecuteStream({}, &memory);
    EXPECT_EQ(memory.pos(), 0);
    EXPECT_EQ(memory.data(), QByteArray("{\\rtf1\\ansi \\lang0 7/2021}"));

    QFile file(out.filePath("stream.rtf"));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    report.ExecuteStream({}, &file);
    EXPECT_EQ(file.pos(), 0);
    EXPECT_EQ(file.readAll(), QByteArray("{\\rtf1\\ansi \\lang0 7/2021}"));
    EXPECT_TRUE(TemporaryFiles().isEmpty());
    EXPECT_FALSE(QFile::exists(report.OutFile()));
}

TEST_F(Execution, ControlsAreHeldDuringTheRunAndRestoredAfter)
{
    TRpMemoryDataSet enabled("A1", {{"X", TRpFieldType::Integer}});
    TRpMemoryDataSet disabled("B1", {{"X", TRpFieldType::Integer}});
    disabled.DisableControls();
    bool heldDuringRun = false;
    report.OnFinished = [&](TRpRTF *) { heldDuringRun = enabled.ControlsDisabled(); };
    UseTemplate(Template);
    report.Execute({&enabled, &disabled});
    EXPECT_TRUE(heldDuringRun);
    EXPECT_FALSE(enabled.ControlsDisabled());
    disabled.EnableControls();
    EXPECT_FALSE(disabled.ControlsDisabled()) << "exactly one hold left on the disabled set";

    disabled.DisableControls();
    UseTemplate("{\\rtf1 \\\\IF(1<2)\\\\}");
    EXPECT_THROW(report.Execute({&enabled, &disabled}), EIllegalIFUse);
    EXPECT_FALSE(enabled.ControlsDisabled());
    EXPECT_TRUE(disabled.ControlsDisabled());
}

TEST_F(Execution, OpeningTheResult)
{
    UseTemplate(Template);
    EXPECT_EQ(MessageOf<EIOError>([&] { report.ExecuteOpen({}, 1); }),
              QStringLiteral("Failed to open report results. Error message: There is no application associated "
                             "with the given filename extension."));
    EXPECT_TRUE(QFile::exists(report.OutFile())) << "the document is written before it is opened";

    QString opened;
    report.ShellOpen = [&](const QString &fileName, int) {
        opened = fileName;
        return 42;
    };
    report.ExecuteOpen({}, 1);
    EXPECT_EQ(opened, report.OutFile());
    EXPECT_EQ(TRpRTF::ShellResultText(99), QStringLiteral("Reason unknown."));
}

TEST_F(Execution, TemplateSource)
{
    const QString first = out.filePath("first.rtf");
    QFile file(first);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\\rtf1 file}");
    file.close();

    report.SetInFile(first);
    UseTemplate("{\\rtf1 buffer}");
    report.Execute({});
    report.Execute({});
    EXPECT_EQ(Output(), QByteArray("{\\rtf1 buffer}"));
    report.SetInFile(first);
    report.Execute({});
    EXPECT_EQ(Output(), QByteArray("{\\rtf1 file}"));

    report.SetInFile(out.filePath("missing.rtf"));
    EXPECT_EQ(MessageOf<EIOError>([&] { report.Execute({}); }),
              u"Can't read file "_qs + out.filePath("missing.rtf"));
}

TEST_F(Execution, CreateFileName)
{
    EXPECT_EQ(MessageOf<EIOError>([&] { TRpRTF::CreateFileName(out.filePath("nope"), "x"); }),
              u"CreateFileName: directory "_qs + out.filePath("nope") + u" does not exist"_qs);
    const QString bare = TRpRTF::CreateFileName(QString(), "rp");
    EXPECT_TRUE(bare.startsWith(u"rp"));
    EXPECT_TRUE(bare.endsWith(u".doc"));
    EXPECT_FALSE(bare.contains(u'/'));
    EXPECT_TRUE(TRpRTF::CreateFileName(out.path(), "rp", "rtf").startsWith(out.path() + u"/rp"_qs));
    EXPECT_TRUE(TRpRTF::CreateFileName(out.path(), "rp", "rtf").endsWith(u".rtf"));
    EXPECT_FALSE(TRpRTF::CreateFileName(out.path(), "rp", QString()).contains(u'.'));
}

} // namespace
