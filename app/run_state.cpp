#include "app/run_state.h"

// The run state owns the uninstall script, so its destructor needs the type.
#include "uninstall/uninstall_script.h"

RunState runState;
