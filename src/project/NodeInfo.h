#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// The record kept beside each node, addressed by the node's Index.
struct NodeInfo
{
    QString caption; // entry label on the parent's menu page; a picture's stamp text
    QString sourcePath; // where the node lives on disk (order file location for menus)
    bool included = false;
    std::int64_t movieBytes = 0;
    double movieSeconds = 0; // a movie's length; 0 when it could not be told
    std::int64_t pictureBytes = 0;
    QStringList audioFiles; // a slideshow's sound files, full paths in the order they play
};
