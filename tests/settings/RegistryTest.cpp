#include "settings/Registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "TestHome.h"
#include "base/KelvaraError.h"
#include "settings/FileRegistryStore.h"
#include "settings/RegistryHive.h"

namespace {

const QString kKey = QStringLiteral("Software\\Brennic\\Kelvara");
constexpr std::uint32_t kHklm = RegistryStore::LocalMachine;

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

class RegistryTest : public ::testing::Test
{
protected:
    RegistryTest()
        : store(home.registryDir())
        , reg(store)
    {
        reg.setClassKey(Registry::HKEY_LOCAL_MACHINE);
        reg.setSectionKey(kKey);
    }

    ~RegistryTest() override
    {
        // Leave the folders deletable whatever a test did to them.
        QFile::setPermissions(home.registryDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::setPermissions(hiveFile(), QFile::ReadOwner | QFile::WriteOwner);
    }

    QString hiveFile() const { return store.fileFor(kHklm); }

    void write(const QString &name, qint32 type, const QVariant &value)
    {
        reg.setValueKey(name);
        reg.setValueType(type);
        reg.setValue(value);
    }

    QVariant read(const QString &name, const QVariant &fallback = QVariant())
    {
        reg.setValueKey(name);
        reg.setDefault(fallback);
        return reg.value();
    }

    // Writes with whatever value type the last read left behind.
    void writeAsRead(const QString &name, const QVariant &value)
    {
        reg.setValueKey(name);
        reg.setValue(value);
    }

    std::optional<RegistryValue> stored(const QString &name) { return store.readValue(kHklm, kKey, name); }

    void makeReadOnly()
    {
        QFile::setPermissions(hiveFile(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        QFile::setPermissions(home.registryDir(), QFile::ReadOwner | QFile::ExeOwner);
    }

    QStringList damagedCopies() const
    {
        return QDir(home.registryDir()).entryList({ QStringLiteral("*.damaged-*") }, QDir::Files);
    }

    TestHome home;
    FileRegistryStore store;
    Registry reg;
};

TEST_F(RegistryTest, MissingValueOrKeyGivesDefaultAndKeepsValueType)
{
    reg.setValueType(Registry::REG_DWORD);
    EXPECT_EQ(read(QStringLiteral("nothing"), 42).toInt(), 42);
    writeAsRead(QStringLiteral("afterMissing"), 5);
    EXPECT_EQ(stored(QStringLiteral("afterMissing"))->type, 4u) << "the type set before the read stands";
    // A value that is found sets the type it has, and the next write uses it.
    write(QStringLiteral("text"), Registry::REG_SZ, QStringLiteral("t"));
    reg.setValueType(Registry::REG_DWORD);
    EXPECT_EQ(read(QStringLiteral("text")).toString(), QStringLiteral("t"));
    writeAsRead(QStringLiteral("afterText"), 5);
    EXPECT_EQ(stored(QStringLiteral("afterText"))->data, QByteArray("5", 2));

    reg.setSectionKey(QStringLiteral("Software\\Nobody\\Here"));
    EXPECT_EQ(read(QStringLiteral("x"), QStringLiteral("fallback")).toString(), QStringLiteral("fallback"));

    // A handle that names no hive behaves as a key that cannot be opened.
    reg.setClassKey(0x12345);
    reg.setSectionKey(kKey);
    EXPECT_EQ(read(QStringLiteral("x"), 7).toInt(), 7);
    write(QStringLiteral("x"), Registry::REG_SZ, QStringLiteral("lost"));
    EXPECT_EQ(QDir(home.registryDir()).entryList(QDir::Files),
        QStringList { QStringLiteral("HKEY_LOCAL_MACHINE.reg") });
    EXPECT_FALSE(stored(QStringLiteral("x")));
}

TEST_F(RegistryTest, PercentSignsChooseBetweenPlainAndExpandableText)
{
    write(QStringLiteral("one"), Registry::REG_SZ, QStringLiteral("50% off"));
    write(QStringLiteral("apart"), Registry::REG_SZ, QStringLiteral("a%b%c"));
    write(QStringLiteral("adjacent"), Registry::REG_SZ, QStringLiteral("100%%"));
    write(QStringLiteral("asPlain"), Registry::REG_EXPAND_SZ, QStringLiteral("no signs"));
    EXPECT_EQ(stored(QStringLiteral("one"))->type, 1u);
    EXPECT_EQ(stored(QStringLiteral("apart"))->type, 2u);
    EXPECT_EQ(stored(QStringLiteral("adjacent"))->type, 1u);
    EXPECT_EQ(stored(QStringLiteral("asPlain"))->type, 1u);
    EXPECT_EQ(read(QStringLiteral("adjacent")).toString(), QStringLiteral("100%%"));
}

TEST_F(RegistryTest, ExpandableTextIsExpandedOnRead)
{
    qputenv("KELVARA_TEST_PICTURES", "/srv/pictures");
    write(QStringLiteral("path"), Registry::REG_SZ, QStringLiteral("%KELVARA_TEST_PICTURES%/2003"));
    write(QStringLiteral("unknown"), Registry::REG_SZ, QStringLiteral("%KELVARA_NO_SUCH_VAR%/x"));
    write(QStringLiteral("mixed"), Registry::REG_SZ, QStringLiteral("5% of %KELVARA_TEST_PICTURES%"));

    EXPECT_EQ(read(QStringLiteral("path")).toString(), QStringLiteral("/srv/pictures/2003"));
    EXPECT_EQ(read(QStringLiteral("unknown")).toString(), QStringLiteral("%KELVARA_NO_SUCH_VAR%/x"));
    EXPECT_EQ(read(QStringLiteral("mixed")).toString(), QStringLiteral("5% of /srv/pictures"))
        << "\"% of \" is no variable, and the sign closing it opens the next reference";
    qunsetenv("KELVARA_TEST_PICTURES");
}

TEST_F(RegistryTest, EmptyTextIsStoredWithSizeZero)
{
    write(QStringLiteral("empty"), Registry::REG_SZ, QString());
    const auto value = stored(QStringLiteral("empty"));
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, 1u);
    EXPECT_EQ(value->data.size(), 0);
    const QVariant back = read(QStringLiteral("empty"), QStringLiteral("default"));
    EXPECT_EQ(back.typeId(), QMetaType::QString);
    EXPECT_EQ(back.toString(), QString());
}

TEST_F(RegistryTest, SixteenBitIntegerIsStoredAsFourByteDword)
{
    write(QStringLiteral("short"), Registry::REG_DWORD, QVariant::fromValue<short>(-2));
    const auto value = stored(QStringLiteral("short"));
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, 4u);
    EXPECT_EQ(value->data, QByteArray::fromHex("feffffff"));
    const QVariant back = read(QStringLiteral("short"));
    EXPECT_EQ(back.typeId(), QMetaType::Int);
    EXPECT_EQ(back.toInt(), -2);

    // Type 5 writes a plain DWORD too.
    write(QStringLiteral("long"), Registry::REG_DWORD_BIG_ENDIAN, 0x01020304);
    EXPECT_EQ(stored(QStringLiteral("long"))->type, 4u);
    EXPECT_EQ(read(QStringLiteral("long")).toInt(), 0x01020304);

    // Anything but a 16- or 32-bit integer is skipped.
    write(QStringLiteral("double"), Registry::REG_DWORD, 2.5);
    write(QStringLiteral("wide"), Registry::REG_DWORD, QVariant::fromValue<qint64>(5));
    write(QStringLiteral("text"), Registry::REG_DWORD, QStringLiteral("5"));
    EXPECT_FALSE(stored(QStringLiteral("double")));
    EXPECT_FALSE(stored(QStringLiteral("wide")));
    EXPECT_FALSE(stored(QStringLiteral("text")));
}

TEST_F(RegistryTest, OtherStoredTypesReadByTheirRules)
{
    ASSERT_TRUE(store.writeValue(kHklm, kKey, QStringLiteral("be"), { 5, QByteArray::fromHex("00000102") }));
    ASSERT_TRUE(store.writeValue(kHklm, kKey, QStringLiteral("multi"), { 7, QByteArray("a\0b\0", 4) }));
    ASSERT_TRUE(store.writeValue(
        kHklm, kKey, QStringLiteral("qword"), { 11, QByteArray::fromHex("0102030405060708") }));
    EXPECT_EQ(read(QStringLiteral("be")).toInt(), 258);
    EXPECT_EQ(read(QStringLiteral("multi")).toString(), QString::fromUtf8("a\0b", 3));
    const QVariant q = read(QStringLiteral("qword"));
    EXPECT_EQ(q.typeId(), QMetaType::QByteArray);
    EXPECT_EQ(q.toByteArray(), QByteArray::fromHex("0102030405060708"));
    // The type read is one Registry cannot write: the next write writes nothing.
    writeAsRead(QStringLiteral("afterQword"), 1);
    EXPECT_FALSE(stored(QStringLiteral("afterQword")));
}

TEST_F(RegistryTest, BinaryNeedsAByteArray)
{
    write(QStringLiteral("bin"), Registry::REG_BINARY, QByteArray::fromHex("00ff10"));
    EXPECT_EQ(read(QStringLiteral("bin")).toByteArray(), QByteArray::fromHex("00ff10"));
    writeAsRead(QStringLiteral("copy"), QByteArray::fromHex("01"));
    EXPECT_EQ(stored(QStringLiteral("copy"))->type, 3u);

    try {
        write(QStringLiteral("bad"), Registry::REG_BINARY, QStringLiteral("not bytes"));
        FAIL() << "a text for REG_BINARY must raise";
    } catch (const KelvaraError &e) {
        EXPECT_EQ(e.number(), 26001);
        EXPECT_TRUE(e.source().endsWith(QStringLiteral(".cRegistry")));
    }
    EXPECT_FALSE(stored(QStringLiteral("bad")));

    // An unknown write type writes nothing.
    write(QStringLiteral("odd"), 9, QStringLiteral("x"));
    EXPECT_FALSE(stored(QStringLiteral("odd")));
}

TEST_F(RegistryTest, WriteUnderReadOnlyStoreChangesNothingAndRaisesNothing)
{
    write(QStringLiteral("title"), Registry::REG_SZ, QStringLiteral("before"));
    const QByteArray before = fileBytes(hiveFile());
    makeReadOnly();

    EXPECT_NO_THROW(write(QStringLiteral("title"), Registry::REG_SZ, QStringLiteral("after")));
    EXPECT_NO_THROW(write(QStringLiteral("new"), Registry::REG_DWORD, 1));
    EXPECT_EQ(fileBytes(hiveFile()), before);
    EXPECT_EQ(read(QStringLiteral("title")).toString(), QStringLiteral("before"));
    EXPECT_FALSE(stored(QStringLiteral("new")));
    EXPECT_FALSE(QFile::exists(hiveFile() + QStringLiteral(".lock")));

    // A read-only file in a writable folder is refused as well.
    QFile::setPermissions(home.registryDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_NO_THROW(write(QStringLiteral("title"), Registry::REG_SZ, QStringLiteral("after")));
    EXPECT_EQ(fileBytes(hiveFile()), before);
}

TEST_F(RegistryTest, KeyAndValueNamesIgnoreCase)
{
    reg.setSectionKey(QStringLiteral("Software\\Test\\Inner"));
    write(QStringLiteral("b"), Registry::REG_SZ, QStringLiteral("1"));
    reg.setSectionKey(QStringLiteral("software\\TEST\\inner"));
    EXPECT_EQ(read(QStringLiteral("B")).toString(), QStringLiteral("1"));
    write(QStringLiteral("B"), Registry::REG_SZ, QStringLiteral("2"));
    const QString text = QString::fromUtf8(fileBytes(hiveFile()));
    EXPECT_TRUE(text.contains(QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\Test\\Inner]\n\"b\"=\"2\"\n")))
        << "names keep the spelling they were first written with";
}

TEST_F(RegistryTest, FileReadsLikeARegistryExport)
{
    write(QStringLiteral("sourcedir"), Registry::REG_SZ, QStringLiteral("C:\\Fotos \"2003\""));
    write(QStringLiteral("Resize"), Registry::REG_DWORD, 12);
    write(QStringLiteral("Path"), Registry::REG_SZ, QStringLiteral("%HOME%"));
    write(QStringLiteral("Été"), Registry::REG_SZ, QStringLiteral("Zürich"));
    write(QStringLiteral("lines"), Registry::REG_SZ, QStringLiteral("one\ntwo"));
    const QString text = QString::fromUtf8(fileBytes(hiveFile()));
    EXPECT_TRUE(text.startsWith(QStringLiteral("REGEDIT4\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\Brennic\\Kelvara]\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\"sourcedir\"=\"C:\\\\Fotos \\\"2003\\\"\"\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\"Resize\"=dword:0000000c\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\"Path\"=hex(2):25,48,4f,4d,45,25,00\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\"Été\"=\"Zürich\"\n")));
    // A line break would split the entry: such text is kept as bytes.
    EXPECT_TRUE(text.contains(QStringLiteral("\"lines\"=hex(1):")));
    EXPECT_EQ(read(QStringLiteral("lines")).toString(), QStringLiteral("one\ntwo"));
}

TEST_F(RegistryTest, HandWrittenFileIsRead)
{
    QDir().mkpath(home.registryDir());
    writeFile(hiveFile(),
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "; written by hand\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Brennic\\Kelvara]\r\n"
        "@=\"default\"\r\n"
        "\"timeout\"=\"12\"\r\n"
        "\"Blob\"=hex:01,02,\\\r\n"
        "  03,04\r\n"
        "\"Language\"=dword:2\r\n");
    EXPECT_EQ(read(QString()).toString(), QStringLiteral("default"));
    EXPECT_EQ(read(QStringLiteral("timeout")).toString(), QStringLiteral("12"));
    EXPECT_EQ(read(QStringLiteral("Blob")).toByteArray(), QByteArray::fromHex("01020304"));
    EXPECT_EQ(read(QStringLiteral("Language")).toInt(), 2);
    EXPECT_TRUE(damagedCopies().isEmpty());
}

TEST(RegistryHiveTest, LongDataWrapsAndReadsBack)
{
    RegistryHive hive(QStringLiteral("HKEY_CURRENT_USER"));
    QByteArray data;
    for (int i = 0; i < 300; ++i)
        data.append(static_cast<char>(i));
    hive.setValue({ QStringLiteral("K") }, QStringLiteral("blob"), { 3, data });
    const QByteArray text = hive.toText();
    for (const QByteArray &line : text.split('\n'))
        EXPECT_LE(line.size(), 80);
    const auto back = RegistryHive::parse(text, QStringLiteral("HKEY_CURRENT_USER"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->value({ QStringLiteral("K") }, QStringLiteral("blob"))->data, data);
}

TEST_F(RegistryTest, DamagedFileReadsAsMissingAndIsKeptAside)
{
    write(QStringLiteral("main_title"), Registry::REG_SZ, QStringLiteral("Holiday"));
    const QByteArray good = fileBytes(hiveFile());

    const QList<QByteArray> damaged = {
        QByteArray("\x89PNG\r\n\x1a\n\x00\x00garbage", 17), // garbage
        good.left(good.indexOf("Holiday") + 3), // cut inside a text
        QByteArray("REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software]\n\"b\"=hex:01,\\\n"), // cut in a hex list
        QByteArray("REGEDIT4\n[HKEY_CURRENT_USER\\Software]\n\"a\"=\"1\"\n"), // another hive's section
        QByteArray("REGEDIT4\n\"a\"=\"outside any key\"\n"),
    };
    for (const QByteArray &bytes : damaged) {
        writeFile(hiveFile(), bytes);
        EXPECT_EQ(read(QStringLiteral("main_title"), QStringLiteral("Your title")).toString(),
            QStringLiteral("Your title"));
        const QStringList copies = damagedCopies();
        ASSERT_EQ(copies.size(), 1);
        EXPECT_FALSE(QFile::exists(hiveFile()));
        EXPECT_EQ(fileBytes(home.registryDir() + u'/' + copies.front()), bytes);
        QFile::remove(home.registryDir() + u'/' + copies.front());
    }

    // After a damaged file was set aside, writing starts a sound file.
    writeFile(hiveFile(), "nonsense");
    write(QStringLiteral("timeout"), Registry::REG_SZ, QStringLiteral("8"));
    EXPECT_EQ(damagedCopies().size(), 1);
    EXPECT_TRUE(RegistryHive::parse(fileBytes(hiveFile()), QStringLiteral("HKEY_LOCAL_MACHINE")));
    EXPECT_EQ(read(QStringLiteral("timeout")).toString(), QStringLiteral("8"));
}

// What could be read is never thrown away: a long file reads whole, a Latin-1
// letter costs nothing, and a damaged line costs only itself, with the file
// kept aside and one notice, however often it is read.
TEST_F(RegistryTest, EverySettingThatCanBeReadIsKept)
{
    FileRegistryStore::takeNotices();
    QDir().mkpath(home.registryDir());
    QByteArray text = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Brennic\\Kelvara]\n";
    constexpr int count = 100000;
    for (int i = 0; i < count; ++i)
        text += "\"v" + QByteArray::number(i) + "\"=dword:" + QByteArray::number(i, 16).rightJustified(8, '0')
            + '\n';
    text += "\"main_title\"=\"Caf\xE9 \xC3\xA9t\xC3\xA9\"\n"; // Latin-1 é, then UTF-8 é
    writeFile(hiveFile(), text);
    {
        RegistryStore::Update batch(store);
        EXPECT_EQ(read(QStringLiteral("v0"), -1).toInt(), 0);
        EXPECT_EQ(read(QStringLiteral("V99999"), -1).toInt(), 99999);
        EXPECT_EQ(read(QStringLiteral("v54321"), -1).toInt(), 54321);
    }
    EXPECT_EQ(
        read(QStringLiteral("main_title")).toString(), QStringLiteral("Caf\u00E9 \u00C3\u00A9t\u00C3\u00A9"));
    EXPECT_TRUE(damagedCopies().isEmpty());
    EXPECT_TRUE(FileRegistryStore::takeNotices().isEmpty());

    writeFile(hiveFile(),
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Brennic\\Kelvara]\n\"timeout\"=\"8\"\n\x01\x02 garbage\n"
        "\"broken\"=dword:xyz\n\"Caf\xE9\"=\"Z\xFCrich\"\n[HKEY_CURRENT_USER\\Other]\n\"lost\"=\"1\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Brennic\\Kelvara]\n\"Jobs\"=dword:00000003\n");
    EXPECT_EQ(read(QStringLiteral("timeout")).toString(), QStringLiteral("8"));
    EXPECT_EQ(read(QStringLiteral("Jobs"), -1).toInt(), 3);
    EXPECT_EQ(read(QStringLiteral("Caf\u00E9")).toString(), QStringLiteral("Z\u00FCrich"));
    EXPECT_EQ(read(QStringLiteral("lost"), QStringLiteral("none")).toString(), QStringLiteral("none"));
    ASSERT_EQ(damagedCopies().size(), 1);
    const QList<FileRegistryStore::Notice> notices = FileRegistryStore::takeNotices();
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(notices[0].problem, FileRegistryStore::Notice::Damaged);
    EXPECT_EQ(notices[0].keptAs, home.registryDir() + u'/' + damagedCopies().front());
    EXPECT_TRUE(notices[0].text().contains(hiveFile())) << qPrintable(notices[0].text());

    // The next change writes a sound file holding what was rescued.
    write(QStringLiteral("title"), Registry::REG_SZ, QStringLiteral("new"));
    ASSERT_TRUE(RegistryHive::parse(fileBytes(hiveFile()), QStringLiteral("HKEY_LOCAL_MACHINE")));
    EXPECT_EQ(read(QStringLiteral("Jobs"), -1).toInt(), 3);
    EXPECT_TRUE(FileRegistryStore::takeNotices().isEmpty());
}

// Reading a pipe would wait for ever and /dev/zero never ends: neither is
// opened for reading; each is moved aside (the link, not what it names) and
// told once, and the defaults stand.
TEST_F(RegistryTest, FileThatIsNoRegularFileOrTooLargeIsRefused)
{
    FileRegistryStore::takeNotices();
    QDir().mkpath(home.registryDir());
    const QByteArray path = QFile::encodeName(hiveFile());
    const auto refused = [&] {
        return QDir(home.registryDir())
            .entryList({ QStringLiteral("*.refused-*") }, QDir::System | QDir::Files);
    };

    ASSERT_EQ(mkfifo(path.constData(), 0600), 0);
    EXPECT_EQ(read(QStringLiteral("timeout"), QStringLiteral("6")).toString(), QStringLiteral("6"));
    EXPECT_FALSE(QFileInfo::exists(hiveFile()));
    ASSERT_EQ(refused().size(), 1);
    for (const QString &name : refused())
        QFile::remove(home.registryDir() + u'/' + name);

    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), hiveFile()));
    EXPECT_EQ(read(QStringLiteral("timeout"), QStringLiteral("6")).toString(), QStringLiteral("6"));
    ASSERT_EQ(refused().size(), 1);
    EXPECT_EQ(QFileInfo(home.registryDir() + u'/' + refused().front()).symLinkTarget(),
        QStringLiteral("/dev/zero"));
    for (const QString &name : refused())
        QFile::remove(home.registryDir() + u'/' + name);

    QByteArray big = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Brennic\\Kelvara]\n\"timeout\"=\"9\"\n";
    big += QByteArray(FileRegistryStore::MaxFileBytes, ';');
    writeFile(hiveFile(), big);
    EXPECT_EQ(read(QStringLiteral("timeout"), QStringLiteral("6")).toString(), QStringLiteral("6"));
    EXPECT_EQ(refused().size(), 1);

    const QList<FileRegistryStore::Notice> notices = FileRegistryStore::takeNotices();
    ASSERT_EQ(notices.size(), 1) << "one file, told once";
    EXPECT_EQ(notices[0].problem, FileRegistryStore::Notice::NotRegular);

    // Saving after a refusal starts a sound file.
    write(QStringLiteral("timeout"), Registry::REG_SZ, QStringLiteral("7"));
    EXPECT_EQ(read(QStringLiteral("timeout")).toString(), QStringLiteral("7"));
}

TEST_F(RegistryTest, DamagedFileInReadOnlyFolderStillReadsAsMissing)
{
    QDir().mkpath(home.registryDir());
    writeFile(hiveFile(), "garbage");
    makeReadOnly();
    EXPECT_EQ(read(QStringLiteral("x"), 3).toInt(), 3);
    EXPECT_TRUE(QFile::exists(hiveFile()));
}

TEST_F(RegistryTest, TwoProcessesSavingAtOnceLoseNothing)
{
    constexpr int count = 30;
    QProcess a;
    QProcess b;
    const QString writer = QStringLiteral(KELVARA_REGISTRY_WRITER);
    // A saves value by value, B in one locked update, as saveSettings does.
    a.start(writer, { home.registryDir(), QStringLiteral("A"), QString::number(count) });
    b.start(
        writer, { home.registryDir(), QStringLiteral("B"), QString::number(count), QStringLiteral("batch") });
    ASSERT_TRUE(a.waitForFinished(120000));
    ASSERT_TRUE(b.waitForFinished(120000));
    EXPECT_EQ(a.exitCode(), 0);
    EXPECT_EQ(b.exitCode(), 0);

    const QByteArray text = fileBytes(hiveFile());
    ASSERT_TRUE(RegistryHive::parse(text, QStringLiteral("HKEY_LOCAL_MACHINE"))) << "the file must be sound";
    EXPECT_EQ(text.count("\n\""), 4 * count) << "one line per value, none twice";
    for (const char *prefix : { "A", "B" }) {
        for (int i = 0; i < count; ++i) {
            const QString p = QLatin1String(prefix);
            EXPECT_EQ(
                read(p + QStringLiteral("text") + QString::number(i)).toString(), p + QString::number(i));
            EXPECT_EQ(read(p + QStringLiteral("number") + QString::number(i), -1).toInt(), i);
        }
    }
    EXPECT_TRUE(damagedCopies().isEmpty());
}

} // namespace
