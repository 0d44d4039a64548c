#pragma once
// What the program's windows work with: the environment, the data module,
// the prompts and the desktop's shell. The program makes one at start and
// each window hands it to the windows it opens; tests make their own.

#include "datamodule.h"
#include "environment.h"
#include "prompts.h"
#include "shell.h"

namespace ui {

struct Context {
    app::Environment &env;
    app::TDataModule1 &data;
    Prompts &prompts;
    app::Shell &shell;
};

} // namespace ui
