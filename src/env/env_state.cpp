#include "env/env_state.h"

namespace qn {

namespace {

// The one place the env floor's state is reached from: the settings, log and environment
// functions are called from every floor without an object at hand, so the owner installs
// its state here rather than handing it to each of them.
EnvState* g_installed = nullptr;

EnvState& DefaultEnv() {
  static EnvState state;
  return state;
}

}  // namespace

EnvState& CurrentEnv() { return g_installed != nullptr ? *g_installed : DefaultEnv(); }

EnvScope::EnvScope(EnvState& state) : previous_(g_installed) { g_installed = &state; }

EnvScope::~EnvScope() { g_installed = previous_; }

}  // namespace qn
