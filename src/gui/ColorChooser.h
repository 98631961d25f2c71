#pragma once

#include <QColor>

#include <cstdint>
#include <functional>

class QWidget;

// The colour question of the settings window's swatches. Colours travel as
// Windows colour values (0x00BBGGRR), as the settings store them.
namespace ColorChooser {

// Asks for a colour, preset to initial; an invalid QColor means cancelled.
using Chooser = std::function<QColor(const QColor &initial, QWidget *parent)>;

// The standard colour dialog.
QColor standardChooser(const QColor &initial, QWidget *parent);

// Shows the chooser (the standard dialog when chooser is empty) preset to
// colour; returns the picked colour, or colour unchanged when cancelled.
std::uint32_t ask(std::uint32_t colour, QWidget *parent = nullptr, const Chooser &chooser = {});

QColor fromWindows(std::uint32_t colour);
std::uint32_t toWindows(const QColor &colour);

} // namespace ColorChooser
