// Everything one run of the program keeps beside its open databases, as one object that
// the window's program or the tool owns: the env floor's state (settings, log, facts about
// the machine, the command line, started programs), the engine state its databases share
// (caches, the block clipboard, the cut block) and the template editor's row clipboard.
// Two owners' states never see each other.
#pragma once

#include "env/env_state.h"
#include "store/database.h"
#include "templates/def_editor.h"

namespace qn {

struct ProgramState {
  EnvState env;
  EngineState engine;
  DefRowTexts rowClipboard{};
};

// Makes `state` the running program's for the scope's lifetime: the settings, log and
// environment functions work on its env state.
class ProgramScope {
 public:
  explicit ProgramScope(ProgramState& state) : env_(state.env) {}

 private:
  EnvScope env_;
};

}  // namespace qn
