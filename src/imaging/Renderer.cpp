#include "imaging/Renderer.h"

#include <algorithm>
#include <cmath>

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QPainter>
#include <QStringConverter>

#include "base/Numeric.h"
#include "base/Prompter.h"
#include "base/StringTable.h"
#include "base/TextIds.h"
#include "imaging/ButtonArt.h"
#include "imaging/CaptionText.h"
#include "imaging/ImgSource.h"
#include "imaging/PictureReader.h"
#include "project/NodeKind.h"
#include "project/DiscContent.h"
#include "project/ProjectNode.h"
#include "project/ProjectTree.h"
#include "settings/Settings.h"

using Numeric::roundHalfEven;
using Numeric::val;

namespace {

constexpr int kExifDateTimeOriginal = 36867;
constexpr double kOverscanFraction = 0.05;

// Interface text by id, with the English text when the table has none.
QString textOf(int id, const QString &english)
{
    const QString text = localText(id);
    return text.isEmpty() ? english : text;
}

// True when a decoded raster is the upright photo of that header size, decoded
// whole or at k/8 scale (sizes rounded up, as the DCT scaling gives them).
bool isScaledDecodeOf(int width, int height, QSize upright)
{
    for (int k = 1; k <= 8; ++k) {
        const int w = (upright.width() * k + 7) / 8;
        const int h = (upright.height() * k + 7) / 8;
        if (w == width && h == height)
            return true;
    }
    return false;
}

// Lines a stamp's text fills: a line break ends a line, and a trailing one
// opens none.
int lineCount(const QString &text)
{
    if (text.isEmpty())
        return 1;
    int lines = 1;
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == u'\n' || (text[i] == u'\r' && text[i + 1] != u'\n'))
            ++lines;
    }
    return lines;
}

QString readCaptionFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = CaptionText::decode(file.readAll());
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    while (text.endsWith(u'\n'))
        text.chop(1);
    return text;
}

// Breaks text into lines no wider than maxWidth as a multi-line text box does:
// at spaces where possible, inside a word only when the word alone is too wide.
QStringList wrapText(const ImgSource &measure, const QString &text, int maxWidth)
{
    QStringList lines;
    const QStringList paragraphs = text.split(u'\n');
    for (const QString &paragraph : paragraphs) {
        const QStringList words = paragraph.split(u' ', Qt::SkipEmptyParts);
        if (words.isEmpty()) {
            lines.append(QString());
            continue;
        }
        QString line;
        for (QString word : words) {
            const QString candidate = line.isEmpty() ? word : line + u' ' + word;
            if (measure.textWidth(candidate) <= maxWidth) {
                line = candidate;
                continue;
            }
            if (!line.isEmpty())
                lines.append(line);
            line.clear();
            // A word wider than the box is broken where it reaches the edge.
            while (measure.textWidth(word) > maxWidth && word.size() > 1) {
                int fit = 1;
                while (fit < word.size() && measure.textWidth(word.left(fit + 1)) <= maxWidth)
                    ++fit;
                lines.append(word.left(fit));
                word = word.mid(fit);
            }
            line = word;
        }
        lines.append(line);
    }
    return lines;
}

} // namespace

Renderer::Renderer(
    Settings &settings, ProjectTree &tree, ImgSource &canvas, ImgSource &picture, Prompter &prompter)
    : m_settings(settings)
    , m_tree(tree)
    , m_canvas(canvas)
    , m_picture(picture)
    , m_prompter(prompter)
    , m_normalButton(ButtonArt::normal())
    , m_selectedButton(ButtonArt::highlighted())
{ }

void Renderer::setButtonImages(const QImage &normal, const QImage &highlighted)
{
    m_normalButton = normal;
    m_selectedButton = highlighted;
}

void Renderer::setProgress(int value)
{
    m_progress = value;
    if (m_callbacks.progress)
        m_callbacks.progress(std::clamp(value, 0, 100));
}

void Renderer::beginRender()
{
    if (m_callbacks.progressVisible)
        m_callbacks.progressVisible(true);
    setProgress(0);
    if (m_callbacks.busy)
        m_callbacks.busy(true);
}

void Renderer::endRender()
{
    if (m_callbacks.busy)
        m_callbacks.busy(false);
    if (m_callbacks.progressVisible)
        m_callbacks.progressVisible(false);
    setProgress(0);
}

bool Renderer::fastPreview() const
{
    return m_settings.fastPreview;
}

MenuPage Renderer::makeMenu(ProjectNode *node, int selectedEntry)
{
    beginRender();
    m_pageEntries.clear();
    MenuPage page;
    page.selectedEntry = selectedEntry;
    // The first page decides how many buttons fit; later pages keep it.
    page.entriesPerPage
        = selectedEntry == 1 ? static_cast<int>(DiscContent::menuLines(node).size()) : entriesPerPage(node);

    const bool smooth = !fastPreview();
    m_canvas.create(m_settings.frameWidth, m_settings.frameHeight);
    m_canvas.fill(0);
    const int W = m_canvas.width();
    const int H = m_canvas.height();

    m_canvas.Font = m_settings.titleFont;
    m_canvas.FontSize = roundHalfEven(val(m_settings.titleFontSize));
    m_canvas.FontColor = m_settings.titleColor;
    const QString title = node->tag();
    int y = m_settings.correctEdges ? roundHalfEven(H * m_settings.edgeFraction) : 0;
    m_canvas.paintText(title, roundHalfEven((W - m_canvas.textWidth(title)) / 2.0), y, smooth);
    // The buttons start one "X" below the title's top, whatever the title holds.
    y += m_canvas.textHeight(QStringLiteral("X"));

    if (node->hasChildren()) {
        m_tree.setSelectedNode(node);
        m_canvas.Font = m_settings.menuFont;
        m_canvas.FontSize = roundHalfEven(val(m_settings.menuFontSize));
        m_canvas.FontColor = m_settings.menuColor;
        layOutButtons(node, page, y, true);
    }

    if (m_settings.antiFlicker && !fastPreview())
        m_canvas.antiFlicker(m_callbacks.progress);
    if (m_callbacks.canvasChanged)
        m_callbacks.canvasChanged();
    if (m_callbacks.hideEditText)
        m_callbacks.hideEditText();
    endRender();
    if (page.entryCount >= 1 && m_callbacks.showOrderFrame) {
        // The order buttons move folders; a slideshow's line moves with its folder.
        const QList<ProjectNode *> entries = DiscContent::entries(node);
        const qsizetype entry = entries.indexOf(DiscContent::entryOfLine(page.entryNode));
        m_callbacks.showOrderFrame(entry > 0, entry >= 0 && entry + 1 < entries.size());
    }
    return page;
}

int Renderer::entriesPerPage(const ProjectNode *node)
{
    MenuPage page;
    page.entriesPerPage = static_cast<int>(DiscContent::menuLines(node).size());
    if (page.entriesPerPage == 0)
        return page.entriesPerPage;
    // The same start as MakeMenu's: below the title row.
    ImgSource measure;
    measure.Font = m_settings.titleFont;
    measure.FontSize = roundHalfEven(val(m_settings.titleFontSize));
    int y = m_settings.correctEdges ? roundHalfEven(m_settings.frameHeight * m_settings.edgeFraction) : 0;
    y += measure.textHeight(QStringLiteral("X"));
    layOutButtons(node, page, y, false);
    return page.entriesPerPage;
}

void Renderer::layOutButtons(const ProjectNode *node, MenuPage &page, int y, bool draw)
{
    const double sy = 576.0 / m_settings.frameHeight;
    const int H = m_settings.frameHeight;
    const int normalHeight = buttonHeight(false);
    const int highlightedHeight = buttonHeight(true);
    int drawn = 0;
    int lastButtonHeight = 0;
    page.entryCount = 0;
    // Only the entries on the disc: numbers follow on without gaps.
    for (ProjectNode *child : DiscContent::menuLines(node)) {
        if (draw && drawn < 10)
            setProgress((drawn + 1) * 10);
        ++page.entryCount;
        // Entries before the window that ends at the highlighted one are skipped.
        if (page.selectedEntry < page.entriesPerPage + page.entryCount) {
            ++drawn;
            if (drawn <= page.entriesPerPage) {
                const bool highlighted = page.entryCount == page.selectedEntry;
                if (highlighted) {
                    page.entryNode = child;
                    page.entrySlot = drawn;
                }
                const int top = roundHalfEven(y + 13.0 / sy);
                if (draw)
                    drawButton(child, drawn, page.entryCount, highlighted, top);
                lastButtonHeight = highlighted ? highlightedHeight : normalHeight;
                y = top + lastButtonHeight;
            }
        }
        if (drawn > 0 && drawn < page.entriesPerPage && y + 2.0 * lastButtonHeight + 10.0 / sy > H)
            page.entriesPerPage = drawn;
    }
}

int Renderer::buttonHeight(bool highlighted) const
{
    // Scaled exactly as drawButton scales it, so a layout without drawing
    // matches the drawn page.
    ImgSource button;
    button.loadPicture(highlighted ? m_selectedButton : m_normalButton);
    const double sx = 720.0 / m_settings.frameWidth;
    const double sy = 576.0 / m_settings.frameHeight;
    button.resize(
        roundHalfEven(button.width() / sx), roundHalfEven(button.height() / sy), m_settings.filterCode());
    return button.height();
}

void Renderer::drawButton(ProjectNode *entry, int buttonNumber, int entryNumber, bool highlighted, int top)
{
    const bool smooth = !fastPreview();
    const double sx = 720.0 / m_settings.frameWidth;
    const double sy = 576.0 / m_settings.frameHeight;
    const int W = m_canvas.width();

    ImgSource button;
    button.loadPicture(highlighted ? m_selectedButton : m_normalButton);
    m_pageEntries.append(entry);
    addProgress(2);

    const int bw = button.width();
    const int bh = button.height();
    const int x = roundHalfEven(W / 2.0 - bw / (2.0 * sx));
    button.resize(roundHalfEven(bw / sx), roundHalfEven(bh / sy), m_settings.filterCode());
    const int bw2 = button.width();
    const int bh2 = button.height();
    m_canvas.overlay(button, x, top, 1.0, 0);
    addProgress(2);

    const ProjectNode *named = DiscContent::entryOfLine(entry);
    const int tw = m_canvas.textWidth(
        QString::number(entryNumber) + QStringLiteral(". ") + entryLabel(entry, named->tag()));
    const int th = m_canvas.textHeight(QStringLiteral("AAAAAAAAAAAAAAAAAAAAAA"));
    const int textTop = roundHalfEven(top + bh2 / 2.0 - th / 2.0);
    if (m_settings.shortcuts)
        m_canvas.paintText(QStringLiteral("  ") + QString::number(buttonNumber) + u'.', x, textTop, smooth);
    addProgress(2);

    m_canvas.paintText(entryLabel(entry, m_tree.info(named).caption), roundHalfEven(x + bw2 / 2.0 - tw / 2.0),
        textTop, smooth);
    addProgress(2);
}

QString Renderer::entryLabel(const ProjectNode *line, const QString &folderName)
{
    if (line && kindOfName(line->text()) == NodeKind::Slideshow)
        return localText(TextId::SlideshowLine).arg(folderName);
    return folderName;
}

QString Renderer::dateCaption(const QString &exifDate) const
{
    bool okYear = false;
    bool okMonth = false;
    bool okDay = false;
    const int year = exifDate.mid(0, 4).toInt(&okYear);
    const int month = exifDate.mid(5, 2).toInt(&okMonth);
    const int day = exifDate.mid(8, 2).toInt(&okDay);
    if (!okYear || !okMonth || !okDay)
        return {};
    const QDate date(year, month, day);
    if (!date.isValid())
        return {};
    return QLocale::system().toString(date, QLocale::ShortFormat) + u' ' + exifDate.mid(11, 5);
}

bool Renderer::createStill(ProjectNode *node, const QString &picturePath, const QString &captionFile)
{
    beginRender();
    m_pictureProblem.clear();
    if (m_callbacks.hideOrderFrame)
        m_callbacks.hideOrderFrame();
    NodeInfo &info = m_tree.info(node);
    info.caption.clear();

    // A date the camera never set ("0000:00:00 ...") counts as no date, so the
    // file name is shown in its place.
    QString exifDate;
    if (m_settings.displayDate) {
        const QString tagText = ImgSource::exifTag(picturePath, kExifDateTimeOriginal);
        info.caption = dateCaption(tagText);
        if (!info.caption.isEmpty())
            exifDate = tagText;
    }
    setProgress(10);

    QString stamp = info.caption;
    QString name;
    if ((exifDate.isEmpty() || m_settings.displayFileName)
        && ((m_settings.displayDate && m_settings.useFileName) || m_settings.displayFileName)) {
        name = nameWithoutExtension(node->tag());
    }

    const int fW = m_settings.frameWidth;
    const int fH = m_settings.frameHeight;
    const double XC = val(m_settings.xCenter);
    const double YC = val(m_settings.yCenter);
    const Fitting fitting = fittingFrame();
    auto fittedSize = [&](double pw, double ph) { return fitting.fittedSize(pw, ph); };

    if (m_callbacks.processEvents)
        m_callbacks.processEvents();
    const bool hasFrame = fitting.hasFrame();
    const QSize header = ImgSource::pictureSize(picturePath);
    QSize target;
    if (hasFrame && !header.isEmpty())
        target = fittedSize(header.width(), header.height());
    const QSize minimum = decodeMinimum(fitting, header);
    bool decoded = false;
    PictureReader prefetched;
    if (m_prefetch.take(picturePath, minimum.width(), minimum.height(), prefetched))
        decoded = m_picture.takePicture(prefetched, &m_pictureProblem);
    else
        decoded = m_picture.loadFile(picturePath, minimum.width(), minimum.height(), &m_pictureProblem);
    setProgress(20);

    // A photo that cannot be decoded, or a centre on the frame's edge (a fitting
    // frame without area), leaves the black frame with its text.
    int w = 0;
    int h = 0;
    if (hasFrame && m_picture.hasPixels() && m_picture.width() > 0 && m_picture.height() > 0) {
        if (target.isEmpty() || !isScaledDecodeOf(m_picture.width(), m_picture.height(), header))
            target = fittedSize(m_picture.width(), m_picture.height());
        w = target.width();
        h = target.height();
        if (w > 0 && h > 0)
            m_picture.resize(w, h, m_settings.filterCode());
    }
    setProgress(30);

    m_canvas.create(fW, fH);
    m_canvas.fill(0);
    const int x = roundHalfEven((2.0 * XC - w) / 2.0);
    const int y = roundHalfEven((2.0 * YC - h) / 2.0);
    if (w > 0 && h > 0 && m_picture.hasPixels())
        m_canvas.overlay(m_picture, x, y, 1.0, 0);
    setProgress(40);
    m_stillWidth = w;
    m_stillHeight = h;

    m_canvas.Font = m_settings.pictureFont;
    m_canvas.FontSize = roundHalfEven(val(m_settings.pictureFontSize));
    m_canvas.FontColor = m_settings.pictureColor;

    if (!captionFile.isEmpty() && w > 0 && h > 0)
        drawCaptionText(captionFile, x, y, w, h);
    if (w > 0 && h > 0 && showsInfoIcon(m_settings, node, captionFile))
        drawInfoIcon(x, y, w, h);

    if (stamp.isEmpty()) {
        stamp = name;
        name.clear();
    }
    const QString text = name.isEmpty() ? stamp : stamp + u'\r' + name + u'\r';

    // The stored position is corrected only when the stamp runs off the
    // frame: it then goes where it is drawn, so the settings show the truth.
    const int textHeight = m_canvas.textHeight(text) * lineCount(text);
    const int textWidth = m_canvas.textWidth(text);
    const QPoint safe = safeMargin();
    if (m_settings.stampY + textHeight > fH) {
        m_prompter.inform(textOf(1131, QStringLiteral("Position mismatch")),
            textOf(1130,
                QStringLiteral("Vertical Position of text is out of screen, "
                               "correction made.")));
        m_settings.stampY = std::max(fH - safe.y() - textHeight, 0);
    }
    if (m_settings.stampX + textWidth > fW) {
        m_prompter.inform(textOf(1131, QStringLiteral("Position mismatch")),
            textOf(1132,
                QStringLiteral("Horizontal Position of text is out of "
                               "screen, correction made.")));
        m_settings.stampX = std::max(fW - safe.x() - textWidth, 0);
    }

    if (val(m_settings.pictureFontSize) > 0) {
        setProgress(50);
        // A television's overscan cuts what lies in the edge margin, so the
        // stamp is drawn inside it wherever it was placed; a stamp wider than
        // the safe area keeps its left or top margin.
        const int stampX = std::max(std::min(m_settings.stampX, fW - safe.x() - textWidth), safe.x());
        const int stampY = std::max(std::min(m_settings.stampY, fH - safe.y() - textHeight), safe.y());
        m_canvas.paintText(text, stampX, stampY, !fastPreview());
    }

    setProgress(80);
    if (m_settings.antiFlicker && !fastPreview())
        m_canvas.antiFlicker(m_callbacks.progress);
    if (m_callbacks.canvasChanged)
        m_callbacks.canvasChanged();
    setProgress(90);
    endRender();
    return decoded;
}

void Renderer::drawCaptionText(const QString &captionFile, int left, int top, int width, int height)
{
    const QFileInfo file(captionFile);
    if (!file.isFile() || m_canvas.FontSize <= 0)
        return;
    const QString text = readCaptionFile(captionFile);
    if (text.trimmed().isEmpty())
        return;

    // Only the part of the picture that lies on the canvas can carry text.
    const int x0 = std::max(left, 0);
    const int y0 = std::max(top, 0);
    const int x1 = std::min(left + width, m_canvas.width());
    const int y1 = std::min(top + height, m_canvas.height());
    if (x1 <= x0 || y1 <= y0)
        return;

    const int lineHeight = std::max(m_canvas.textHeight(QStringLiteral("Xg")), 1);
    const int pad = std::max(lineHeight / 6, 2);
    QStringList lines = wrapText(m_canvas, text, std::max(x1 - x0 - 2 * pad, 1));
    const int room = (y1 - y0 - 2 * pad) / lineHeight;
    if (room <= 0)
        return;
    if (lines.size() > room)
        lines = lines.mid(0, room);

    // A dark translucent band under the text keeps it readable on light photos.
    const int bandBottom = std::min(y0 + 2 * pad + static_cast<int>(lines.size()) * lineHeight, y1);
    std::uint8_t *rgb = m_canvas.rgbData();
    const int stride = m_canvas.width() * 3;
    for (int row = y0; row < bandBottom; ++row) {
        std::uint8_t *p = rgb + static_cast<std::size_t>(row) * stride + 3 * x0;
        for (int i = 0; i < (x1 - x0) * 3; ++i)
            p[i] = static_cast<std::uint8_t>((p[i] * 2 + 2) / 5);
    }

    const bool smooth = !fastPreview();
    for (int i = 0; i < lines.size(); ++i)
        m_canvas.paintText(lines[i], x0 + pad, y0 + pad + i * lineHeight, smooth);
}

QPoint Renderer::safeMargin() const
{
    // Without "Correct edges" the picture may fill the frame, but text still
    // keeps clear of the part a television's overscan usually hides.
    const double fraction = m_settings.correctEdges ? m_settings.edgeFraction : kOverscanFraction;
    return QPoint(
        roundHalfEven(m_settings.frameWidth * fraction), roundHalfEven(m_settings.frameHeight * fraction));
}

bool Renderer::showsInfoIcon(const Settings &settings, const ProjectNode *picture, const QString &captionFile)
{
    // The icon promises that Enter shows more, so it belongs on the plain
    // still of a picture that has a caption state, never on that state.
    return settings.displayInfo && captionFile.isEmpty() && picture
        && QFileInfo(captionPathOf(picture->fullPath())).isFile();
}

void Renderer::drawInfoIcon(int left, int top, int width, int height)
{
    // Bottom-right inside the picture, and inside the margin overscan hides.
    const QPoint safe = safeMargin();
    const int size = std::max(roundHalfEven(m_canvas.height() / 20.0), 8);
    const int pad = std::max(size / 4, 2);
    const int right = std::min(left + width, m_canvas.width() - safe.x()) - pad;
    const int bottom = std::min(top + height, m_canvas.height() - safe.y()) - pad;
    const QRectF circle(right - size, bottom - size, size, size);
    if (circle.left() < std::max(left, 0) || circle.top() < std::max(top, 0))
        return; // a picture too small to carry it

    QImage canvas(
        m_canvas.rgbData(), m_canvas.width(), m_canvas.height(), m_canvas.width() * 3, QImage::Format_RGB888);
    QPainter painter(&canvas);
    if (!painter.isActive())
        return;
    painter.setRenderHint(QPainter::Antialiasing, true);
    const std::uint32_t c = m_settings.pictureColor;
    const QColor colour(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
    // A dark disc under the ring keeps it visible on a light photo.
    const double ring = size / 10.0;
    painter.setPen(QPen(colour, ring));
    painter.setBrush(QColor(0, 0, 0, 150));
    painter.drawEllipse(circle.adjusted(ring / 2, ring / 2, -ring / 2, -ring / 2));
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    const double stem = size * 0.14;
    const QPointF centre = circle.center();
    painter.drawEllipse(QPointF(centre.x(), circle.top() + size * 0.28), stem * 0.75, stem * 0.75);
    painter.drawRect(QRectF(centre.x() - stem / 2, circle.top() + size * 0.42, stem, size * 0.36));
}

Renderer::Fitting Renderer::fittingFrame() const
{
    const int fW = m_settings.frameWidth;
    const double XC = val(m_settings.xCenter);
    const double YC = val(m_settings.yCenter);
    const int aspectWidth = m_settings.aspectWidth;
    const int tvLines = m_settings.tvLines;
    Fitting fitting;
    // The fitting frame: twice the distance from the centre to the nearer edge
    // of the reference frame (768 square pixels wide with aspect correction).
    fitting.width = m_settings.correctAspect
        ? roundHalfEven(aspectWidth - std::abs(aspectWidth - 2.0 * aspectWidth * XC / fW))
        : roundHalfEven(aspectWidth - std::abs(aspectWidth - 2.0 * XC));
    fitting.height = roundHalfEven(tvLines - std::abs(tvLines - 2.0 * YC));
    // The fitting frame is measured in reference pixels with aspect correction
    // and in frame pixels without; this maps it onto the frame.
    fitting.toFrame = m_settings.correctAspect ? double(fW) / aspectWidth : 1.0;
    fitting.correctEdges = m_settings.correctEdges;
    fitting.keep = m_settings.correctEdges ? 1.0 - 2.0 * m_settings.edgeFraction : 1.0;
    return fitting;
}

QSize Renderer::Fitting::fittedSize(double pictureWidth, double pictureHeight) const
{
    const double r = std::max(pictureWidth / width, pictureHeight / height);
    int h = roundHalfEven(pictureHeight / r);
    int w = roundHalfEven(pictureWidth / r);
    w = roundHalfEven(toFrame * w);
    if (correctEdges) {
        h = roundHalfEven(keep * h);
        w = roundHalfEven(keep * w);
    }
    return QSize(w, h);
}

QSize Renderer::decodeMinimum(const Fitting &fitting, const QSize &header)
{
    // The still's size follows from the photo's own size, read from the
    // header, so that a large photo can be decoded at a scale just above it.
    if (fitting.hasFrame() && !header.isEmpty()) {
        const QSize target = fitting.fittedSize(header.width(), header.height());
        return QSize(std::max(target.width(), 1), std::max(target.height(), 1));
    }
    // Nothing of the photo will be shown: the smallest decode serves.
    if (!fitting.hasFrame())
        return QSize(1, 1);
    return QSize(0, 0);
}

void Renderer::prefetchPicture(const QString &picturePath)
{
    const QSize minimum = decodeMinimum(fittingFrame(), ImgSource::pictureSize(picturePath));
    m_prefetch.start(picturePath, minimum.width(), minimum.height());
}

void Renderer::makeMoviePage()
{
    makeNoticePage(QStringLiteral("Movie, no preview."));
}

void Renderer::makeNoticePage(const QString &text)
{
    m_canvas.create(m_settings.frameWidth, m_settings.frameHeight);
    m_canvas.fill(0);
    m_canvas.Font = m_settings.titleFont;
    m_canvas.FontSize = roundHalfEven(val(m_settings.titleFontSize));
    m_canvas.FontColor = m_settings.titleColor;
    const int x = std::max(0, roundHalfEven((m_canvas.width() - m_canvas.textWidth(text)) / 2.0));
    const int y = m_settings.correctEdges ? roundHalfEven(m_canvas.height() * m_settings.edgeFraction) : 0;
    m_canvas.paintText(text, x, y, true);
    if (m_callbacks.canvasChanged)
        m_callbacks.canvasChanged();
}
