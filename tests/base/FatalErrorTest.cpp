#include "base/FatalError.h"
#include "base/Guard.h"

#include <QList>

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "base/KelvaraError.h"

namespace {
struct Reported
{
    QString procedure;
    int number;
    QString description;
};

// Records what reaches the fatal handler instead of ending the test process.
class RecordingHandler
{
public:
    RecordingHandler()
    {
        m_previous = Guard::setFatalHandler(
            [this](const QString &procedure, int number, const QString &description) {
                m_reports.append({ procedure, number, description });
            });
    }
    ~RecordingHandler() { Guard::setFatalHandler(m_previous); }
    const QList<Reported> &reports() const { return m_reports; }

private:
    Guard::FatalHandler m_previous;
    QList<Reported> m_reports;
};
} // namespace

TEST(FatalErrorBox, TextAndTitleAreExact)
{
    EXPECT_EQ(FatalError::title(), QLatin1String("Kelvara Error"));
    EXPECT_EQ(FatalError::text(QStringLiteral("Sub scandir"), 53, QStringLiteral("File not found")),
        QLatin1String(
            "Please report this error to support@kelvara.example\n\rSub scandir: 53  File not found"));
}

TEST(Guard, CatchesKelvaraErrorAndNamesTheProcedure)
{
    RecordingHandler handler;
    bool after = false;
    const bool finished = Guard::run(QStringLiteral("Sub pbNext_Click"), [&] {
        throw KelvaraError(9, QStringLiteral("Subscript out of range"));
        after = true;
    });
    EXPECT_FALSE(finished);
    EXPECT_FALSE(after);
    ASSERT_EQ(handler.reports().size(), 1);
    EXPECT_EQ(handler.reports()[0].procedure, QLatin1String("Sub pbNext_Click"));
    EXPECT_EQ(handler.reports()[0].number, 9);
    EXPECT_EQ(handler.reports()[0].description, QLatin1String("Subscript out of range"));
}

TEST(Guard, CatchesStandardExceptionsWithTheirOwnNumbers)
{
    RecordingHandler handler;
    Guard::run(QStringLiteral("Function walk_files"), [] { throw std::out_of_range("index 7"); });
    Guard::run(QStringLiteral("Sub MakeMenu"), [] { throw std::bad_alloc(); });
    ASSERT_EQ(handler.reports().size(), 2);
    EXPECT_EQ(handler.reports()[0].procedure, QLatin1String("Function walk_files"));
    EXPECT_EQ(handler.reports()[0].number, 51);
    EXPECT_TRUE(handler.reports()[0].description.contains(QLatin1String("index 7")));
    EXPECT_EQ(handler.reports()[1].number, 7);
    EXPECT_EQ(handler.reports()[1].description, QLatin1String("Out of memory"));
}

TEST(Guard, QuietWhenTheBodyFinishes)
{
    RecordingHandler handler;
    int runs = 0;
    EXPECT_TRUE(Guard::run(QStringLiteral("Sub Form_Load"), [&] { ++runs; }));
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(handler.reports().isEmpty());
}

TEST(Guard, InnerProcedureIsTheOneNamed)
{
    RecordingHandler handler;
    Guard::run(QStringLiteral("Sub pbcreatevcd_Click"), [] {
        Guard::run(QStringLiteral("Function createxml"),
            [] { throw KelvaraError(75, QStringLiteral("Path/File access error")); });
    });
    ASSERT_EQ(handler.reports().size(), 1);
    EXPECT_EQ(handler.reports()[0].procedure, QLatin1String("Function createxml"));
}
