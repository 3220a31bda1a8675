#include "state/run_state.h"

// The run state owns the uninstall script, so its destructor needs the type.
#include "format/uninstall_script.h"

RunState runState;
