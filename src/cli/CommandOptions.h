#pragma once

#include <QString>

#include <optional>

struct Settings;

// Options of the headless subcommands (kelvara build|scan|render|burn). Each set
// option overrides the stored setting for this run only; nothing is saved.
struct CommandOptions
{
    QString command; // "build", "scan" or "render"
    std::optional<QString> source; // --source DIR
    std::optional<QString> dest; // --dest DIR
    std::optional<QString> title; // --title TEXT
    std::optional<bool> ntsc; // --tv pal|ntsc
    std::optional<bool> vcd; // --type vcd|svcd
    std::optional<bool> lowRes; // --resolution high|low
    std::optional<QString> timeout; // --timeout SECONDS
    bool fullRebuild = false; // --full-rebuild
    bool yes = false; // --yes
    bool strict = false; // --strict: a picture or movie left off fails the build
    std::optional<int> jobs; // --jobs N
    std::optional<int> toolTimeout; // --tool-timeout SECONDS (build)
    bool print0 = false; // --print0: paths on stdout end in NUL, unescaped (build)
    std::optional<int> node; // --node INDEX (render)
    int entry = 1; // --entry N (render)
    QString out; // --out FILE.jpg (render)
    bool burn = false; // build --burn: burn the image once made
    bool list = false; // burn --list: print the writers found
    bool dryRun = false; // burn --dry-run: print the writer commands, run none
    std::optional<QString> device; // burn --device ID
    std::optional<int> speed; // burn --speed N
    std::optional<bool> blankAll; // burn --blank fast|all
    std::optional<bool> cdrdao; // burn --writer cdrdao|cdrecord
    QString image; // burn IMAGE.cue; empty: the build folder's image

    // Puts every given option into the settings record.
    void applyTo(Settings &settings) const;
};
