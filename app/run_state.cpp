#include "app/run_state.h"

RunState runState;
