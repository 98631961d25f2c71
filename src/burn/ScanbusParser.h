#pragma once

#include <QString>
#include <QStringList>

// Reads the writer list out of the text "cdrecord -scanbus" prints.
class ScanbusParser
{
public:
    // The entries of the writer list, in output order: every device line
    // after the first line of output, CRs removed and TABs turned into
    // blanks, except the hard disks and tape drives (lines ending in "Disk"
    // or "Tape").
    static QStringList writers(const QString &output);

    // A device line holds an address "bus,target,lun" after its leading
    // blanks and a quoted vendor name. Bus numbers of 10 and more count too.
    static bool isDeviceLine(const QString &line);

    // The device address of a writer-list entry: its text up to the first
    // blank or TAB, leading blanks skipped ("0,1,0", "10,0,0").
    static QString deviceId(const QString &entry);

    // Why a scan found nothing, in the tool's own words: its last line that
    // reports a failure ("Cannot open SCSI driver!", "wodim: No such file or
    // directory."; a warning does not count), else its last line with text.
    static QString failureReason(const QString &output);
};
