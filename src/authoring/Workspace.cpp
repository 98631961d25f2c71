#include "authoring/Workspace.h"

Workspace::Workspace(Prompter &prompter)
    : controller(settings, prompter)
    , renderer(settings, tree, canvas, picture, prompter)
    , scanner(tree, settings, prompter)
    , m_prompter(prompter)
{
    // A movie's time on the disc counts in the capacity estimate.
    scanner.setMovieLength([this](const QString &path) { return m_movieLengths.secondsOf(path); });
}
