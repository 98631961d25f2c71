#include "base/StringTable.h"

#include <algorithm>

#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

#include "base/TextIds.h"

namespace {

constexpr int French = 5 * StringTable::LanguageStride;

// Texts that code joins with a path or a name: their trailing blank is part of them.
const int kPrefixIds[] = { TextId::MsgCannotSaveOrder, TextId::MsgCannotSaveJpg, TextId::MsgMissingTool,
    TextId::MsgDownloadFrom, TextId::MsgCannotWriteFile, TextId::MsgCannotReadFile };

QString resourceText(int languageIndex)
{
    StringTable::instance(); // registers the resource
    QFile file(
        QStringLiteral(":/strings/") + StringTable::languageCode(languageIndex) + QStringLiteral(".txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

class StringTableTest : public ::testing::Test
{
protected:
    void TearDown() override { StringTable::instance().setLanguageOffset(0); }
    static void use(int offset) { StringTable::instance().setLanguageOffset(offset); }
};

} // namespace

TEST_F(StringTableTest, TextMissingInFrenchFallsBackToEnglish)
{
    ASSERT_FALSE(StringTable::instance().contains(French + TextId::DebugLogging));
    use(French);
    EXPECT_EQ(localText(TextId::DebugLogging), QStringLiteral("Debug logging"));
    EXPECT_EQ(localText(TextId::TipDaoGeneric), QStringLiteral("Use when normal mode fails"));
    // A text French does have is not replaced by English.
    EXPECT_EQ(localText(TextId::ReadStructure), QStringLiteral("Lire la structure"));
}

TEST_F(StringTableTest, EveryLanguageHasItsOwnTextForACaption)
{
    QSet<QString> seen;
    for (int index = 0; index < StringTable::LanguageCount; ++index) {
        use(index * StringTable::LanguageStride);
        const QString text = localText(TextId::ReadStructure);
        EXPECT_FALSE(text.isEmpty()) << index;
        seen.insert(text);
    }
    EXPECT_EQ(seen.size(), StringTable::LanguageCount);
    use(0);
    EXPECT_EQ(localText(TextId::ReadStructure), QStringLiteral("Read Structure"));
    use(StringTable::LanguageStride);
    EXPECT_EQ(localText(TextId::ReadStructure), QStringLiteral("Structuur inlezen"));
}

TEST_F(StringTableTest, UnknownIdsGiveEmptyText)
{
    EXPECT_TRUE(localText(9999).isEmpty());
    EXPECT_TRUE(localText(0).isEmpty());
    EXPECT_TRUE(localText(-4).isEmpty());
    use(French);
    EXPECT_TRUE(localText(9999).isEmpty());
    // A full id must not reach the text of another language.
    use(0);
    EXPECT_TRUE(localText(StringTable::LanguageStride + TextId::ReadStructure).isEmpty());
}

TEST_F(StringTableTest, EmptyOrAbsentLanguageBlockFallsBackToEnglish)
{
    // Offset 90000 is no language: nothing is there until the test loads an empty entry.
    use(9 * StringTable::LanguageStride);
    EXPECT_EQ(localText(TextId::ReadStructure), QStringLiteral("Read Structure"));
    StringTable::instance().load(QStringLiteral("101\t\n"), 9 * StringTable::LanguageStride);
    EXPECT_EQ(localText(TextId::ReadStructure), QStringLiteral("Read Structure"));
}

TEST_F(StringTableTest, TranslationsCoverEveryEnglishText)
{
    const StringTable &table = StringTable::instance();
    const QList<int> english = table.ids(0);
    ASSERT_GT(english.size(), 120);
    for (int index = 1; index <= 4; ++index)
        EXPECT_EQ(table.ids(index * StringTable::LanguageStride), english) << index;

    const QList<int> french = table.ids(French);
    QSet<int> missing(english.cbegin(), english.cend());
    for (int id : french) {
        EXPECT_TRUE(missing.contains(id)) << "French id without English text: " << id;
        missing.remove(id);
    }
    EXPECT_EQ(missing, (QSet<int> { TextId::DebugLogging, TextId::TipDaoGeneric, TextId::TipDaoGenericRaw }));
}

TEST_F(StringTableTest, EveryLanguageKeepsThePlaceholdersOfTheEnglishText)
{
    // German must cover English completely: the burn and capacity messages
    // are asked for by id only, with no English text in the code beside them.
    const StringTable &table = StringTable::instance();
    const QList<int> english = table.ids(0);
    const QList<int> german = table.ids(2 * StringTable::LanguageStride);
    EXPECT_EQ(german, english);
    for (int id :
        { TextId::MsgNoWriterInfo, TextId::MsgCheckWriter, TextId::CapacityLine, TextId::MsgMayNotFit })
        EXPECT_NE(table.entry(2 * StringTable::LanguageStride + id), table.entry(id)) << id;

    // A text filled in with .arg() loses its value when a translation drops
    // or renumbers a placeholder.
    static const QRegularExpression placeholder(QStringLiteral("%[1-9]"));
    auto placeholders = [](const QString &text) {
        QStringList found;
        for (const QRegularExpressionMatch &m : placeholder.globalMatch(text))
            found.append(m.captured());
        found.sort();
        return found;
    };
    for (int id : english) {
        const QStringList wanted = placeholders(table.entry(id));
        for (int index = 1; index < StringTable::LanguageCount; ++index) {
            const int full = index * StringTable::LanguageStride + id;
            if (table.contains(full)) {
                EXPECT_EQ(placeholders(table.entry(full)), wanted) << "id " << id << " language " << index;
            }
        }
    }
}

TEST_F(StringTableTest, FilesAreWellFormed)
{
    static const QRegularExpression entry(QStringLiteral("^([1-9][0-9]*)\t(.+)$"));
    for (int index = 0; index < StringTable::LanguageCount; ++index) {
        const QString text = resourceText(index);
        ASSERT_FALSE(text.isEmpty()) << index;
        QSet<int> ids;
        const QStringList lines = text.split(u'\n');
        for (const QString &line : lines) {
            if (line.isEmpty() || line.startsWith(u'#'))
                continue;
            const QRegularExpressionMatch match = entry.match(line);
            ASSERT_TRUE(match.hasMatch()) << index << ": " << line.toStdString();
            const int id = match.captured(1).toInt();
            EXPECT_FALSE(ids.contains(id)) << "duplicate id " << id << " in language " << index;
            ids.insert(id);
            const QString value = match.captured(2);
            EXPECT_FALSE(value.contains(u'\t')) << id;
            EXPECT_FALSE(value.startsWith(u' ')) << id;
            const bool prefix
                = std::find(std::begin(kPrefixIds), std::end(kPrefixIds), id) != std::end(kPrefixIds);
            if (!prefix) {
                EXPECT_FALSE(value.endsWith(u' '))
                    << "stray blank after text " << id << " in language " << index;
            }
        }
    }
}

TEST_F(StringTableTest, PrefixTextsKeepTheirBlankInEveryLanguage)
{
    const StringTable &table = StringTable::instance();
    for (int index = 0; index < StringTable::LanguageCount; ++index) {
        for (int id : kPrefixIds) {
            const QString text = table.entry(index * StringTable::LanguageStride + id);
            EXPECT_TRUE(text.endsWith(u' ')) << index << "/" << id;
        }
        // Joined after a path, so it starts with the full stop that ends the path's sentence.
        EXPECT_TRUE(
            table.entry(index * StringTable::LanguageStride + TextId::MsgNoWriteAccess).startsWith(u'.'));
    }
}

TEST_F(StringTableTest, QuotedEnglishTextsAreKeptLetterForLetter)
{
    EXPECT_EQ(localText(TextId::BurnImage), QStringLiteral("Burn Image"));
    EXPECT_EQ(localText(TextId::TitleBurnImage), QStringLiteral("Burn image"));
    EXPECT_EQ(localText(TextId::Directories), QStringLiteral("Directories"));
    EXPECT_EQ(localText(TextId::MsgImageCreated),
        QStringLiteral("Image created successfully in your build path ("));
    EXPECT_EQ(localText(TextId::MsgSetPosition),
        QStringLiteral("Click on the position in the preview window where you want the date/time stamp to "
                       "be positioned"));
    EXPECT_EQ(localText(TextId::TipCorrectEdges),
        QStringLiteral("When this is enabled the output photo will stay of the adges for xx%. This way you "
                       "will not loose information when displayed on TV."));
    EXPECT_EQ(localText(TextId::MsgNoAspiDriver), QStringLiteral("No apsi driver present. Download it from"));
    EXPECT_TRUE(localText(TextId::MsgSetupIncomplete)
                    .startsWith(QStringLiteral(
                        "Program directory is not correctly set up, please rerun setup or contact ")));
    for (int index = 0; index < StringTable::LanguageCount; ++index) {
        use(index * StringTable::LanguageStride);
        EXPECT_TRUE(localText(TextId::MsgSetupIncomplete).contains(QStringLiteral("support@kelvara.example")))
            << index;
    }
}

TEST(StringTableParse, ResolvesEscapesAndSkipsWhatIsNotAnEntry)
{
    const QString file = QChar(0xFEFF)
        + QStringLiteral("1\tA\\nB\r\n"
                         "2\tC\\tD\\\\E\\r\n"
                         "3\ttrailing backslash\\\n"
                         "4\tunknown \\q escape\n"
                         "# 9\tcomment\n"
                         "\n"
                         "5\n"
                         "x6\tnot a number\n"
                         "\t7 without id\n"
                         "12345\tbeyond one language block\n"
                         "8\t\n"
                         "10\tfirst\n"
                         "10\tsecond\n");
    const QHash<int, QString> texts = StringTable::parse(file);
    EXPECT_EQ(texts.value(1), QStringLiteral("A\nB"));
    EXPECT_EQ(texts.value(2), QStringLiteral("C\tD\\E\r"));
    EXPECT_EQ(texts.value(3), QStringLiteral("trailing backslash\\"));
    EXPECT_EQ(texts.value(4), QStringLiteral("unknown q escape"));
    EXPECT_TRUE(texts.contains(8));
    EXPECT_TRUE(texts.value(8).isEmpty());
    EXPECT_EQ(texts.value(10), QStringLiteral("second"));
    EXPECT_EQ(texts.size(), 6);
}
