#pragma once

#include <QString>

class ProjectNode;

// State shared by the walk, the menu renderer, the description writers and
// the preview while a menu is laid out or a disc is generated.
struct BuildState
{
    int SelectedEntry = 1;
    int EntryCount = 0;
    int EntriesPerPage = 0;
    int EntrySlot = 0;
    ProjectNode *CurrentEntryNode = nullptr;
    int MenuCounter = 0;
    bool CancelBuild = false;
    bool TextMode = false;
    QString CurrentFile;
    QString CaptionFile;
    int ProgressDone = 0;
    int ProgressTotal = 0;
    QString SegmentItems;
    QString SequenceItems;
    QString PbcItems;
};
