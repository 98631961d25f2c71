#pragma once

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

#include <gtest/gtest.h>

#include "FakePrompter.h"
#include "imaging/ImgSource.h"
#include "imaging/Renderer.h"
#include "project/ProjectTree.h"
#include "settings/Settings.h"

// A source folder on disk, the tree over it, and a renderer with plain
// settings: no anti-flicker, no date, solid test button artwork, so that
// geometry can be read back with pixel probes.
class RenderFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_settings.antiFlicker = false;
        m_settings.displayDate = false;
        m_settings.useFileName = false;
        m_settings.displayFileName = false;
        m_root = m_tree.addRoot(m_dir.path() + u'/', m_dir.path());
        m_tree.setTag(m_root, m_settings.mainTitle);
        m_renderer.setButtonImages(solid(480, 45, Qt::blue), solid(480, 45, Qt::green));
    }

    static QImage solid(int w, int h, QColor colour)
    {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(colour);
        return image;
    }

    // A folder on disk below parent with its node (caption = name, checked,
    // as a scan gives it).
    ProjectNode *addFolder(ProjectNode *parent, const QString &name)
    {
        const QString path = parent->fullPath() + u'/' + name;
        EXPECT_TRUE(QDir().mkpath(path));
        ProjectNode *node = m_tree.addChild(parent, path, name);
        m_tree.setTag(node, name);
        m_tree.setChecked(node, true);
        m_tree.info(node).caption = name;
        return node;
    }

    // A file node below parent, the file written by the caller (or not at all).
    ProjectNode *addFile(ProjectNode *parent, const QString &name)
    {
        const QString path = parent->fullPath() + u'/' + name;
        ProjectNode *node = m_tree.addChild(parent, path, name);
        m_tree.setTag(node, name);
        m_tree.setChecked(node, true);
        return node;
    }

    // A solid-colour JPEG (quality 95) with a painted frame-free body.
    static void writeJpeg(const QString &path, int w, int h, QColor colour)
    {
        ASSERT_TRUE(solid(w, h, colour).save(path, "JPEG", 95));
    }

    // Puts an EXIF block with DateTimeOriginal (tag 36867) into a JPEG.
    static void addExifDate(const QString &path, const QByteArray &date19)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QByteArray jpeg = file.readAll();
        file.close();
        auto u16 = [](QByteArray &b, int v) { b.append(char(v >> 8)).append(char(v & 0xff)); };
        auto u32 = [&](QByteArray &b, int v) {
            u16(b, v >> 16);
            u16(b, v & 0xffff);
        };
        QByteArray tiff("MM");
        u16(tiff, 42);
        u32(tiff, 8);
        u16(tiff, 1); // IFD0: one entry, the Exif IFD pointer
        u16(tiff, 0x8769);
        u16(tiff, 4);
        u32(tiff, 1);
        u32(tiff, 26);
        u32(tiff, 0);
        u16(tiff, 1); // Exif IFD: DateTimeOriginal
        u16(tiff, 0x9003);
        u16(tiff, 2);
        u32(tiff, 20);
        u32(tiff, 44);
        u32(tiff, 0);
        tiff.append(date19.left(19)).append('\0');
        QByteArray app1("\xFF\xE1", 2);
        u16(app1, 2 + 6 + int(tiff.size()));
        app1.append(QByteArray("Exif\0\0", 6)).append(tiff);
        jpeg.insert(2, app1);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(jpeg);
    }

    struct Rgb
    {
        int r, g, b;
    };
    Rgb pixel(int x, int y) const
    {
        const std::uint8_t *p = m_canvas.rgbData() + (std::size_t(y) * m_canvas.width() + x) * 3;
        return { p[0], p[1], p[2] };
    }
    bool isBlack(int x, int y, int tolerance = 12) const
    {
        const Rgb c = pixel(x, y);
        return c.r <= tolerance && c.g <= tolerance && c.b <= tolerance;
    }
    bool isColour(int x, int y, QColor colour, int tolerance = 16) const
    {
        const Rgb c = pixel(x, y);
        return std::abs(c.r - colour.red()) <= tolerance && std::abs(c.g - colour.green()) <= tolerance
            && std::abs(c.b - colour.blue()) <= tolerance;
    }
    // True when some pixel of the rectangle is not black.
    bool anyLit(int x0, int y0, int x1, int y1) const
    {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (!isBlack(x, y, 40))
                    return true;
        return false;
    }

    // Sets the frame geometry that setSizes would derive.
    void frame(int width, int height, int tvLines)
    {
        m_settings.frameWidth = width;
        m_settings.frameHeight = height;
        m_settings.tvLines = tvLines;
        m_settings.xCenter = QString::number(width / 2);
        m_settings.yCenter = QString::number(height / 2);
    }
    void aspect(bool on)
    {
        m_settings.correctAspect = on;
        m_settings.aspectWidth = on ? 768 : 704;
    }
    void edges(bool on, int percent)
    {
        m_settings.correctEdges = on;
        m_settings.correctPercentage = QString::number(percent);
        m_settings.edgeFraction = percent / 100.0;
    }

    QTemporaryDir m_dir;
    Settings m_settings;
    ProjectTree m_tree;
    ImgSource m_canvas;
    ImgSource m_picture;
    FakePrompter m_prompter;
    Renderer m_renderer { m_settings, m_tree, m_canvas, m_picture, m_prompter };
    ProjectNode *m_root = nullptr;
};
