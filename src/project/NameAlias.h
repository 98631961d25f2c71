#pragma once

#include <QByteArray>
#include <QString>

// A file whose name is not valid UTF-8 cannot be opened through a QString
// path: Qt decodes the name lossily. Such a file is reached through a
// symbolic link with a plain ASCII name, made from the raw bytes in a private
// folder ($KELVARA_HOME/cache/names, else ${XDG_CACHE_HOME:-~/.cache}/kelvara/names),
// so that every part of the program (decoders, ffmpeg, vcdxbuild) can open it.
class NameAlias
{
public:
    // The folder the links live in; mode 0700.
    static QString folder();

    // A link to rawPath, named after a hash of it and keeping the extension
    // of the shown name (the kind of a file is told by its extension); the
    // same raw path always gets the same link. Empty when no link can be made
    // (the folder is not ours, or cannot be written).
    static QString linkTo(const QByteArray &rawPath, const QString &shownName);
};
