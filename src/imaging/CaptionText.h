#pragma once

#include <QByteArray>
#include <QString>

// The text of a picture's caption file. The editor writes UTF-8; older files
// may be in a single-byte Windows code page, which Latin-1 reads closely enough.
namespace CaptionText {

QString decode(const QByteArray &bytes);

} // namespace CaptionText
