#pragma once

#include "authoring/MovieLengths.h"
#include "imaging/ImgSource.h"
#include "imaging/Renderer.h"
#include "project/ProjectTree.h"
#include "project/Scanner.h"
#include "settings/Settings.h"
#include "settings/SettingsController.h"

class Prompter;

// Everything the main window owns, without the window: the settings record
// and its rules, the project tree with its counters, the composition canvas
// and the picture buffer, and the renderer and scanner working on them. The
// window, the command line and the tests each hold one.
class Workspace
{
public:
    explicit Workspace(Prompter &prompter);
    Workspace(const Workspace &) = delete;
    Workspace &operator=(const Workspace &) = delete;

    Prompter &prompter() { return m_prompter; }

    Settings settings;
    ProjectTree tree;
    ImgSource canvas; // every page is composed here; the build saves it
    ImgSource picture; // the source photograph of the still in work

    SettingsController controller;
    Renderer renderer;
    Scanner scanner;

private:
    Prompter &m_prompter;
    MovieLengths m_movieLengths;
};
