#pragma once

#include <QByteArray>
#include <QString>

#include "authoring/ToolJob.h"

// What ffprobe tells of a movie file: its container, its first video and
// first audio stream and its length, plus the pack size of a program stream
// (read from the file's first bytes, which vcdxbuild checks and ffprobe does
// not show). A movie ffprobe cannot read, or one without a picture, is not
// usable, with a short reason a person can act on.
class MovieProbe
{
public:
    struct Info
    {
        QString failure; // empty when the movie is usable
        QString container; // ffprobe's format name: "mpeg" for a program stream
        double duration = 0; // seconds; 0 when unknown

        QString videoCodec;
        int width = 0;
        int height = 0;
        int sarNum = 1; // sample (pixel) aspect ratio; 1:1 when not given
        int sarDen = 1;
        QString frameRate; // r_frame_rate as ffprobe writes it ("25/1")
        QString averageFrameRate; // avg_frame_rate
        int rotation = 0; // degrees the player turns the picture, 0..359

        bool hasAudio = false;
        QString audioCodec;
        int sampleRate = 0;
        int channels = 0;
        qint64 audioBitRate = 0;

        int packSize = 0; // bytes from the first pack header to the next

        bool usable() const { return failure.isEmpty(); }
        // Width over height as the picture is shown: sample aspect ratio and
        // a quarter or three-quarter turn taken into account.
        double displayAspect() const;
        // The size as shown after the turn.
        bool turnedSideways() const { return rotation == 90 || rotation == 270; }
    };

    // Runs ffprobe on the file through a tool job; cancel (optional) ends it.
    static Info probe(const QString &path, const ToolJob::CancelCheck &cancel = {});

    // Reads ffprobe's JSON (-show_format -show_streams). A document without
    // a video stream gives a failure.
    static Info fromJson(const QByteArray &json);

    // The bytes from the first MPEG pack header to the second in the file's
    // head; 0 when there are not two.
    static int packSizeOf(const QString &path);

    // ffprobe as the other tools are found: 3rdparty, then PATH.
    static QString program();
};
