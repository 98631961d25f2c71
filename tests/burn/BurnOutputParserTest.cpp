#include <gtest/gtest.h>

#include <QFile>

#include "StandInTools.h"
#include "base/StringTable.h"
#include "base/TextIds.h"
#include "burn/BurnOutputParser.h"

namespace {

using Tool = BurnOutputParser::Tool;
using Kind = BurnEvent::Kind;

QList<int> progressOf(const BurnEvents &events)
{
    QList<int> values;
    for (const BurnEvent &event : events)
        if (event.kind == Kind::Progress)
            values.append(event.value);
    return values;
}

QStringList textsOf(const BurnEvents &events, Kind kind)
{
    QStringList texts;
    for (const BurnEvent &event : events)
        if (event.kind == kind)
            texts.append(event.text);
    return texts;
}

// The whole transcript fed in pieces of the given size.
BurnEvents feedInPieces(Tool tool, const QString &text, int piece)
{
    BurnOutputParser parser(tool);
    BurnEvents events;
    for (qsizetype at = 0; at < text.size(); at += piece)
        events += parser.feed(text.mid(at, piece));
    return events;
}

QString readData(const QString &name)
{
    QFile file(StandInTools::dataFile(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    return QString::fromLocal8Bit(file.readAll());
}

} // namespace

TEST(BurnOutputParser, CdrdaoStatusLines)
{
    EXPECT_EQ(
        textsOf(BurnOutputParser::parseLine(Tool::Cdrdao, QStringLiteral("Blanking disk...")), Kind::Status),
        QStringList { QStringLiteral("Blanking disk...") });
    EXPECT_EQ(
        textsOf(BurnOutputParser::parseLine(Tool::Cdrdao, QStringLiteral("Starting write at speed 4...")),
            Kind::Status),
        QStringList { localText(TextId::WritingDisk) });
    EXPECT_EQ(textsOf(BurnOutputParser::parseLine(Tool::Cdrdao,
                          QStringLiteral("Writing track 01 (mode MODE2_FORM_MIX/MODE2_FORM_MIX)...")),
                  Kind::Status),
        QStringList { QStringLiteral("Writing track 01 ") });
}

TEST(BurnOutputParser, CdrdaoProgress)
{
    EXPECT_EQ(progressOf(BurnOutputParser::parseLine(Tool::Cdrdao, QStringLiteral("Wrote 325 of 650 MB"))),
        QList<int> { 50 });
    EXPECT_EQ(progressOf(BurnOutputParser::parseLine(
                  Tool::Cdrdao, QStringLiteral("Wrote 1 of 650 MB (Buffers 100%  96%)."))),
        QList<int> { 0 });
    // A total of 0 would divide by zero: nothing is left to write.
    EXPECT_EQ(progressOf(BurnOutputParser::parseLine(Tool::Cdrdao, QStringLiteral("Wrote 0 of 0 MB"))),
        QList<int> { 100 });
    // Overburning writes past the announced size; the bar stops at 100.
    EXPECT_EQ(progressOf(BurnOutputParser::parseLine(Tool::Cdrdao, QStringLiteral("Wrote 700 of 650 MB"))),
        QList<int> { 100 });
    // "Wrote" without "of" is no progress line.
    EXPECT_TRUE(
        progressOf(BurnOutputParser::parseLine(Tool::Cdrdao, QStringLiteral("Wrote 325 MB"))).isEmpty());
}

TEST(BurnOutputParser, CdrdaoRemembersEveryNonEmptyLine)
{
    const BurnEvents events = feedInPieces(Tool::Cdrdao, QStringLiteral("first\r\nsecond\r\n"), 3);
    EXPECT_EQ(textsOf(events, Kind::LastStatus),
        (QStringList { QStringLiteral("first"), QStringLiteral("second") }));
    // CR LF: an empty line follows each line in the log.
    EXPECT_EQ(textsOf(events, Kind::LogLine),
        (QStringList { QStringLiteral("first"), QString(), QStringLiteral("second"), QString() }));
}

TEST(BurnOutputParser, CdrecordStatusAndProgress)
{
    const auto line = [](const char *text) {
        return BurnOutputParser::parseLine(Tool::CdRecord, QString::fromLatin1(text));
    };
    EXPECT_EQ(textsOf(line("Blanking PMA, TOC, pregap"), Kind::Status),
        QStringList { QStringLiteral("Blanking PMA, TOC, pregap") });
    EXPECT_EQ(
        textsOf(line("Sending CUE sheet..."), Kind::Status), QStringList { localText(TextId::WritingDisk) });
    // As wodim prints it: "%4d of %4d" after "Track 01: ".
    EXPECT_EQ(progressOf(line("Track 01:   12 of  650 MB written (fifo 100%) [buf  99%]   4.0x.")),
        QList<int> { 2 });
    // One blank more before the total still reads 650, not 65.
    EXPECT_EQ(progressOf(line("Track 01:   12 of   650 MB written")), QList<int> { 2 });
    EXPECT_EQ(progressOf(line("Track 01:    0 of    0 MB written.")), QList<int> { 100 });
    EXPECT_EQ(progressOf(line("Track 01:  325 of  650 MB written")), QList<int> { 50 });
    // A track summary holds no "of".
    EXPECT_TRUE(progressOf(line("Track 01: Total bytes read/written: 681574400/681574400 (290976 sectors)."))
                    .isEmpty());
}

TEST(BurnOutputParser, CdrecordOutcomeWords)
{
    const auto last = [](const char *text) {
        return textsOf(
            BurnOutputParser::parseLine(Tool::CdRecord, QString::fromLatin1(text)), Kind::LastStatus);
    };
    EXPECT_EQ(last("wodim: fifo was 0 times empty and 8531 times full, min fill was 95%."),
        QStringList { QStringLiteral("Done.") });
    EXPECT_EQ(last("Sorry, no CD/DVD-Recorder or unsupported CD/DVD-Recorder found on this target."),
        QStringList { QStringLiteral("Unable to burn, check burn.log") });
    // Other lines leave the final status alone.
    EXPECT_TRUE(last("Fixating...").isEmpty());
    EXPECT_TRUE(last("").isEmpty());
}

TEST(BurnOutputParser, SplitChunksGiveTheSameEventsAsWholeOutput)
{
    for (const auto &[tool, name] : { std::pair { Tool::Cdrdao, "cdrdao-write.txt" },
             std::pair { Tool::CdRecord, "cdrecord-write.txt" } }) {
        const QString text = readData(QString::fromLatin1(name));
        const BurnEvents whole = feedInPieces(tool, text, int(text.size()));
        for (int piece : { 1, 2, 7, 64 })
            EXPECT_EQ(feedInPieces(tool, text, piece), whole) << name << " in pieces of " << piece;
    }
}

TEST(BurnOutputParser, RecordedCdrecordWrite)
{
    const BurnEvents events = feedInPieces(Tool::CdRecord, readData(QStringLiteral("cdrecord-write.txt")), 5);
    EXPECT_EQ(progressOf(events), (QList<int> { 0, 2, 50 }));
    EXPECT_EQ(textsOf(events, Kind::Status), QStringList { localText(TextId::WritingDisk) });
    EXPECT_EQ(textsOf(events, Kind::LastStatus), QStringList { QStringLiteral("Done.") });
    // Every line reaches the log, the empty one after the CR LF too.
    const QStringList log = textsOf(events, Kind::LogLine);
    EXPECT_EQ(log.first(),
        QStringLiteral("wodim: Operation not permitted. Warning: Cannot raise RLIMIT_MEMLOCK limits."));
    EXPECT_EQ(log.count(QString()), 1);
}

TEST(BurnOutputParser, RecordedCdrdaoWrite)
{
    const BurnEvents events = feedInPieces(Tool::Cdrdao, readData(QStringLiteral("cdrdao-write.txt")), 5);
    EXPECT_EQ(progressOf(events), (QList<int> { 0, 50, 100, 100 }));
    EXPECT_EQ(textsOf(events, Kind::Status),
        (QStringList { localText(TextId::WritingDisk), QStringLiteral("Writing track 01 ") }));
    EXPECT_EQ(textsOf(events, Kind::LastStatus).last(), QStringLiteral("Writing finished successfully."));
}

TEST(BurnOutputParser, UnfinishedLineWaitsForItsEnd)
{
    BurnOutputParser parser(Tool::Cdrdao);
    EXPECT_TRUE(parser.feed(QStringLiteral("Wrote 325 of 6")).isEmpty());
    EXPECT_EQ(progressOf(parser.feed(QStringLiteral("50 MB\r"))), QList<int> { 50 });
    parser.feed(QStringLiteral("partial"));
    parser.clear();
    EXPECT_EQ(textsOf(parser.feed(QStringLiteral("\n")), Kind::LogLine), QStringList { QString() });
}
