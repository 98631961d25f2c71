#include "authoring/Workspace.h"

Workspace::Workspace(Prompter &prompter)
    : controller(settings, prompter)
    , renderer(settings, tree, canvas, picture, prompter)
    , scanner(tree, settings, prompter)
    , m_prompter(prompter)
{ }
