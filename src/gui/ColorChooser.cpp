#include "gui/ColorChooser.h"

#include <QColorDialog>

namespace ColorChooser {

QColor fromWindows(std::uint32_t colour)
{
    return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

std::uint32_t toWindows(const QColor &colour)
{
    const QColor rgb = colour.toRgb();
    return std::uint32_t(rgb.red()) | (std::uint32_t(rgb.green()) << 8) | (std::uint32_t(rgb.blue()) << 16);
}

QColor standardChooser(const QColor &initial, QWidget *parent)
{
    // QColorDialog answers an invalid colour on cancel, which ask() reads as "keep".
    return QColorDialog::getColor(initial, parent);
}

std::uint32_t ask(std::uint32_t colour, QWidget *parent, const Chooser &chooser)
{
    const QColor initial = fromWindows(colour);
    const QColor picked = chooser ? chooser(initial, parent) : standardChooser(initial, parent);
    if (!picked.isValid())
        return colour;
    // The stored value has no alpha byte: 0x00BBGGRR.
    return toWindows(picked);
}

} // namespace ColorChooser
