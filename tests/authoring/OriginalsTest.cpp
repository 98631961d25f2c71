#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include "BuildFixture.h"
#include "authoring/DiscOriginals.h"
#include "authoring/IsoNameMap.h"
#include "project/ProjectTree.h"

using namespace Qt::StringLiterals;

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// The ISO file system of a description vcdxrip wrote: disc path -> the
// file it extracted it to.
QHash<QString, QString> ripFileSystem(const QString &description)
{
    QFile file(description);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << description.toStdString();
    QXmlStreamReader xml(&file);
    QHash<QString, QString> files;
    QStringList folders;
    QString source;
    bool inFileSystem = false;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        const QString name = xml.name().toString();
        if (token == QXmlStreamReader::StartElement) {
            if (name == u"filesystem")
                inFileSystem = true;
            else if (inFileSystem && name == u"folder")
                folders.append(QString());
            else if (inFileSystem && name == u"file")
                source = xml.attributes().value(u"src"_s).toString();
            else if (inFileSystem && name == u"name") {
                const QString text = xml.readElementText();
                if (source.isEmpty())
                    folders.last() = text;
                else
                    files.insert((folders + QStringList { text }).join(u'/'), source);
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (name == u"filesystem")
                inFileSystem = false;
            else if (inFileSystem && name == u"folder")
                folders.removeLast();
            else if (inFileSystem && name == u"file")
                source.clear();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return files;
}

} // namespace

TEST(IsoNameMap, RealNamesBecomeDistinctLevelOneNames)
{
    IsoNameMap names;
    // Accents go, other characters become one "_", case is upper, 8.3 at most.
    EXPECT_EQ(names.fileName(u"Été à la plage.jpeg"_s), u"ETE_A_LA.JPG"_s);
    EXPECT_EQ(names.fileName(u"IMG_0001.JPG"_s), u"IMG_0001.JPG"_s);
    EXPECT_EQ(names.fileName(u"photo.tiff"_s), u"PHOTO.TIF"_s);
    EXPECT_EQ(names.fileName(u"clip.MPEG"_s), u"CLIP.MPG"_s);
    EXPECT_EQ(names.fileName(u"scan.webp"_s), u"SCAN.WEB"_s);
    EXPECT_EQ(names.fileName(u"a.b.c.png"_s), u"A_B_C.PNG"_s);
    EXPECT_EQ(names.fileName(u"  -- strand (2).gif"_s), u"STRAND_2.GIF"_s);
    // Nothing left of the stem, or no extension at all: still a valid name.
    EXPECT_EQ(names.fileName(u"日本.jpg"_s), u"FILE.JPG"_s);
    EXPECT_EQ(names.fileName(u"README"_s), u"README._"_s);

    // Names that map alike get a number, the extension kept; letter case
    // does not tell names apart on the disc.
    EXPECT_EQ(names.fileName(u"img_0001.jpg"_s), u"IMG_00_2.JPG"_s);
    EXPECT_EQ(names.fileName(u"Été à la plage 2.jpeg"_s), u"ETE_A_2.JPG"_s);
    EXPECT_EQ(names.fileName(u"IMG 0001.jpg"_s), u"IMG_00_3.JPG"_s);
    EXPECT_EQ(names.fileName(u"中国.jpg"_s), u"FILE_2.JPG"_s);
    EXPECT_EQ(names.fileName(u"IMG_0001.png"_s), u"IMG_0001.PNG"_s);
    for (int i = 4; i <= 10; ++i)
        names.fileName(u"img-0001.jpg"_s);
    EXPECT_EQ(names.fileName(u"img-0001.jpg"_s), u"IMG_0_11.JPG"_s);

    // Folders: one name of eight, sharing the folder's names with its files.
    EXPECT_EQ(names.folderName(u"Sommerferien 2003"_s), u"SOMMERFE"_s);
    EXPECT_EQ(names.folderName(u"sommerfest"_s), u"SOMMER_2"_s);
    EXPECT_EQ(names.folderName(u"file"_s), u"FILE"_s);
    EXPECT_EQ(names.folderName(u"???"_s), u"FOLDER"_s);

    // At the top the disc's own folders and the index page are taken.
    IsoNameMap top;
    for (const QString &reserved : IsoNameMap::discRootNames())
        top.reserve(reserved);
    EXPECT_EQ(top.folderName(u"Segment"_s), u"SEGMEN_2"_s);
    EXPECT_EQ(top.folderName(u"vcd"_s), u"VCD_2"_s);
    EXPECT_EQ(top.fileName(u"index.htm"_s), u"INDEX_2.HTM"_s);
    EXPECT_EQ(top.fileName(u"index.html"_s), u"INDEX_3.HTM"_s);

    // Every name given is one vcdxbuild takes.
    const QRegularExpression levelOne(u"^[A-Z0-9_]{1,8}(\\.[A-Z0-9_]{1,3})?$"_s);
    for (const QString &odd : { u"\t\n"_s, u"ﬁnal.JPG"_s, u"x.ÄÖÜ"_s, u".jpg"_s, u"a_.b_"_s })
        EXPECT_TRUE(levelOne.match(IsoNameMap().fileName(odd)).hasMatch()) << odd.toStdString();
}

TEST(DiscOriginals, ImageHoldsTheOriginalsAndAnIndexThatLinksThem)
{
    BuildFixture f;
    // Two names that map alike, a name beyond ASCII, one picture left off.
    for (const char *name :
        { "Été d'Or/Summer holiday 1.jpg", "Été d'Or/Summer holiday 2.jpg", "City/café <crème>.png" }) {
        int code = 0;
        const QString out = runTool(u"convert"_s,
            { u"-size"_s, u"64x48"_s, u"plasma:"_s, f.sourceFile(QString::fromUtf8(name)) }, f.source(),
            &code);
        ASSERT_EQ(code, 0) << out.toStdString();
    }
    f.ws.settings.addImages = true;
    f.ws.settings.addMovies = true;
    f.scan();
    ProjectNode *leftOff = f.ws.tree.nodeByKey(f.sourceFile(u"City/c.jpg"_s));
    ASSERT_NE(leftOff, nullptr);
    f.ws.tree.setChecked(leftOff, false);
    ASSERT_EQ(f.build(), BuildDriver::Outcome::Succeeded) << f.prompter.texts().join(u'\n').toStdString();

    QTemporaryDir rip;
    int code = 0;
    const QString output = runTool(u"vcdxrip"_s,
        { u"--nosequences"_s, u"--nosegments"_s, u"-b"_s, f.destFile(u"vcd.bin"_s), u"-o"_s, u"rip.xml"_s },
        rip.path(), &code);
    ASSERT_EQ(code, 0) << output.toStdString();
    const QHash<QString, QString> onDisc = ripFileSystem(rip.path() + u"/rip.xml"_s);

    const QHash<QString, QString> expected {
        { u"CITY/CAFE_CRE.PNG"_s, u"City/café <crème>.png"_s },
        { u"CITY/CLIP.MPG"_s, u"City/clip.mpg"_s },
        { u"ETE_D_OR/A.JPG"_s, u"Été d'Or/a.jpg"_s },
        { u"ETE_D_OR/B.JPG"_s, u"Été d'Or/b.jpg"_s },
        { u"ETE_D_OR/SUMMER_H.JPG"_s, u"Été d'Or/Summer holiday 1.jpg"_s },
        { u"ETE_D_OR/SUMMER_2.JPG"_s, u"Été d'Or/Summer holiday 2.jpg"_s },
    };
    QStringList paths = onDisc.keys();
    paths.sort();
    QStringList wanted = expected.keys();
    wanted << DiscOriginals::indexFileName();
    wanted.sort();
    ASSERT_EQ(paths.join(u' ').toStdString(), wanted.join(u' ').toStdString());
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        EXPECT_EQ(bytesOf(rip.path() + u'/' + onDisc.value(it.key())), bytesOf(f.sourceFile(it.value())))
            << it.key().toStdString();

    // The index page names each original as the album does and links it.
    const QByteArray indexBytes = bytesOf(rip.path() + u'/' + onDisc.value(DiscOriginals::indexFileName()));
    EXPECT_EQ(indexBytes, bytesOf(f.destFile(DiscOriginals::indexFileName())));
    const QString index = QString::fromUtf8(indexBytes);
    EXPECT_TRUE(index.contains(u"<meta charset=\"utf-8\">"_s));
    EXPECT_TRUE(index.contains(u"<h2>Été d&#39;Or</h2>"_s)) << index.toStdString();
    const QRegularExpression link(u"<a href=\"([^\"]*)\">([^<]*)</a>"_s);
    QStringList linked;
    for (const QRegularExpressionMatch &m : link.globalMatch(index)) {
        const QString target = m.captured(1);
        EXPECT_TRUE(expected.contains(target)) << target.toStdString();
        const QString shown = m.captured(2).replace(u"&lt;"_s, u"<"_s).replace(u"&gt;"_s, u">"_s);
        EXPECT_EQ(shown, expected.value(target).section(u'/', -1)) << target.toStdString();
        linked << target;
    }
    EXPECT_EQ(linked.size(), expected.size());
}
