#include <gtest/gtest.h>

#include <QFile>

#include "StandInTools.h"
#include "burn/ScanbusParser.h"

namespace {

QString readData(const QString &name)
{
    QFile file(StandInTools::dataFile(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    return QString::fromLocal8Bit(file.readAll());
}

} // namespace

TEST(ScanbusParser, ListsWritersButNotDisksOrTapes)
{
    const QStringList writers = ScanbusParser::writers(readData(QStringLiteral("scanbus.txt")));
    ASSERT_EQ(writers.size(), 2);
    // TABs turned into blanks, CRs gone, the line otherwise as printed.
    EXPECT_EQ(
        writers.at(0), QStringLiteral(" 1,0,0 100) 'HL-DT-ST' 'DVDRAM GH22NS50 ' 'TN02' Removable CD-ROM"));
    EXPECT_TRUE(writers.at(1).startsWith(QLatin1String(" 10,0,0 1000) 'PLEXTOR '")));
    for (const QString &writer : writers) {
        EXPECT_FALSE(writer.contains(u'\t'));
        EXPECT_FALSE(writer.contains(u'\r'));
    }
}

TEST(ScanbusParser, FirstLineIsNeverADevice)
{
    const QString line = QStringLiteral("\t0,1,0\t  1) 'LITE-ON ' 'LTR-52327S' 'QS0C' Removable CD-ROM");
    EXPECT_TRUE(ScanbusParser::writers(line).isEmpty());
    EXPECT_EQ(ScanbusParser::writers(QStringLiteral("banner\n") + line).size(), 1);
}

TEST(ScanbusParser, DeviceLinesNeedAnAddressAndAQuote)
{
    EXPECT_TRUE(ScanbusParser::isDeviceLine(QStringLiteral("\t0,1,0\t  1) 'A' 'B' 'C' Removable CD-ROM")));
    EXPECT_TRUE(ScanbusParser::isDeviceLine(QStringLiteral("\t12,3,0\t1203) 'A' 'B' 'C' Removable CD-ROM")));
    // An empty slot has no vendor.
    EXPECT_FALSE(ScanbusParser::isDeviceLine(QStringLiteral("\t0,2,0\t  2) *")));
    // Messages with quotes are not devices.
    EXPECT_FALSE(ScanbusParser::isDeviceLine(
        QStringLiteral("For possible targets try 'wodim --devices' or 'wodim -scanbus'.")));
    EXPECT_FALSE(ScanbusParser::isDeviceLine(QStringLiteral("Using libscg version 'schily-0.8'.")));
}

TEST(ScanbusParser, TheRealToolWithoutADriveListsNothing)
{
    EXPECT_TRUE(ScanbusParser::writers(readData(QStringLiteral("wodim-scanbus-nodrive.txt"))).isEmpty());
}

TEST(ScanbusParser, FailureReasonIsTheToolsLastFailureLine)
{
    const QString scanbus = readData(QStringLiteral("wodim-scanbus-nodrive.txt"));
    EXPECT_EQ(ScanbusParser::failureReason(scanbus), QStringLiteral("Cannot open SCSI driver!"));
    EXPECT_EQ(
        ScanbusParser::failureReason(QStringLiteral("wodim: Warning: Running on Linux\r\n"
                                                    "wodim: Permission denied. Cannot open '/dev/sr0'.\r\n"
                                                    "Use 'wodim dev=help'.\n")),
        QStringLiteral("wodim: Permission denied. Cannot open '/dev/sr0'."));
    // Nothing that reads as a failure: the last words the tool said.
    EXPECT_EQ(ScanbusParser::failureReason(QStringLiteral("scsibus0:\n  last words \n\n")),
        QStringLiteral("last words"));
    EXPECT_TRUE(ScanbusParser::failureReason(QString()).isEmpty());
}

TEST(ScanbusParser, DeviceIdIsTheAddressWhateverItsLength)
{
    EXPECT_EQ(ScanbusParser::deviceId(QStringLiteral(" 0,1,0  1) 'A' 'B'")), QStringLiteral("0,1,0"));
    EXPECT_EQ(ScanbusParser::deviceId(QStringLiteral(" 10,0,0 1000) 'A' 'B'")), QStringLiteral("10,0,0"));
    EXPECT_EQ(ScanbusParser::deviceId(QStringLiteral("\t1,12,0\t  1) 'A'")), QStringLiteral("1,12,0"));
    EXPECT_EQ(ScanbusParser::deviceId(QStringLiteral("   ")), QString());
    EXPECT_EQ(ScanbusParser::deviceId(QString()), QString());
}
